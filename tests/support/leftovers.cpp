#include "support/leftovers.h"

#include "support/postgres.h"

namespace testpg {

void dropLeftovers()
{
    if (!missingEnvironment().isEmpty())
        return;
    // Members of extensions (a test may create one) go with their extension,
    // never one by one; a relation may already have gone with an earlier one.
    adminExec(QStringLiteral(R"sql(
DO $$
DECLARE
  item record;
BEGIN
  IF to_regclass('tabvale_fixture.relations') IS NULL THEN
    RAISE EXCEPTION 'the server was not loaded with the fixture that lists its own objects';
  END IF;
  FOR item IN
    SELECT c.oid, c.relkind, format('%I.%I', n.nspname, c.relname) AS name
    FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
    WHERE c.relkind IN ('r', 'p', 'v', 'm', 'S', 'f', 'c')
      AND (n.nspname IN ('scott', 'odd', 'empty', 'public')
           OR pg_get_userbyid(c.relowner) IN ('scott', 'odd', 'empty'))
      AND c.oid NOT IN (SELECT oid FROM tabvale_fixture.relations)
      AND NOT EXISTS (SELECT 1 FROM pg_depend d
                      WHERE d.classid = 'pg_class'::regclass AND d.objid = c.oid AND d.deptype = 'e')
    ORDER BY c.oid DESC
  LOOP
    CONTINUE WHEN NOT EXISTS (SELECT 1 FROM pg_class WHERE oid = item.oid);
    EXECUTE format('DROP %s IF EXISTS %s CASCADE',
                   CASE item.relkind WHEN 'v' THEN 'VIEW' WHEN 'm' THEN 'MATERIALIZED VIEW'
                                     WHEN 'S' THEN 'SEQUENCE' WHEN 'f' THEN 'FOREIGN TABLE'
                                     WHEN 'c' THEN 'TYPE' ELSE 'TABLE' END,
                   item.name);
  END LOOP;
  FOR item IN
    SELECT p.oid, p.oid::regprocedure::text AS name
    FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
    WHERE (n.nspname IN ('scott', 'odd', 'empty', 'public')
           OR pg_get_userbyid(p.proowner) IN ('scott', 'odd', 'empty'))
      AND NOT EXISTS (SELECT 1 FROM pg_depend d
                      WHERE d.classid = 'pg_proc'::regclass AND d.objid = p.oid AND d.deptype = 'e')
  LOOP
    CONTINUE WHEN NOT EXISTS (SELECT 1 FROM pg_proc WHERE oid = item.oid);
    EXECUTE format('DROP ROUTINE IF EXISTS %s CASCADE', item.name);
  END LOOP;
  FOR item IN
    SELECT t.oid, format('%I.%I', n.nspname, t.typname) AS name
    FROM pg_type t JOIN pg_namespace n ON n.oid = t.typnamespace
    WHERE t.typtype IN ('e', 'd', 'r', 'm')
      AND (n.nspname IN ('scott', 'odd', 'empty', 'public')
           OR pg_get_userbyid(t.typowner) IN ('scott', 'odd', 'empty'))
      AND NOT EXISTS (SELECT 1 FROM pg_depend d
                      WHERE d.classid = 'pg_type'::regclass AND d.objid = t.oid AND d.deptype = 'e')
  LOOP
    CONTINUE WHEN NOT EXISTS (SELECT 1 FROM pg_type WHERE oid = item.oid);
    EXECUTE format('DROP TYPE IF EXISTS %s CASCADE', item.name);
  END LOOP;
END $$;
)sql"));
}

} // namespace testpg
