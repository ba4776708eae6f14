-- Logins and tables of the private test server. Table names cover the cases
-- that need quoting: mixed case, blanks, a dot, a double quote, non-Latin.

CREATE VIEW public.user_tables AS
  SELECT c.relname::varchar(128) AS table_name
  FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
  WHERE c.relkind IN ('r', 'p')
    AND pg_get_userbyid(c.relowner) = current_user
    AND n.nspname NOT IN ('pg_catalog', 'information_schema')
    AND n.nspname !~ '^pg_toast';
GRANT SELECT ON public.user_tables TO PUBLIC;

CREATE ROLE scott LOGIN PASSWORD 'tiger';
CREATE SCHEMA scott AUTHORIZATION scott;
CREATE ROLE odd LOGIN PASSWORD 'pa;ss "word';
CREATE SCHEMA odd AUTHORIZATION odd;
CREATE ROLE empty LOGIN PASSWORD 'nothing';
CREATE SCHEMA empty AUTHORIZATION empty;

SET ROLE scott;
CREATE TABLE scott."Emp" (
  empno integer PRIMARY KEY,
  ename varchar(40),
  job varchar(20),
  sal numeric(9, 2),
  hiredate date,
  comm numeric(9, 2)
);
INSERT INTO scott."Emp" VALUES
  (7369, 'SMITH', 'CLERK', 800.00, '1980-12-17', NULL),
  (7499, 'ALLEN', 'SALESMAN', 1600.00, '1981-02-20', 300.00),
  (7521, 'Łukasz Żółć', 'SALESMAN', 1250.50, '1981-02-22', 500.00),
  (7566, '山田太郎', NULL, 2975.00, '1981-04-02', NULL),
  (7698, 'Ελένη', 'MANAGER', 2850.00, NULL, NULL);
CREATE TABLE scott."Order Lines" (id integer, item text, qty integer);
INSERT INTO scott."Order Lines" VALUES (1, 'Widget', 3), (2, NULL, 1);
CREATE TABLE scott."a.b" (x integer);
CREATE TABLE scott."say ""hi""" (greeting text);
INSERT INTO scott."say ""hi""" VALUES ('hello'), ('привет');
CREATE TABLE scott.dept (deptno integer, dname varchar(14));
CREATE TABLE scott."Café" (name text);
-- Not tables: must never be listed.
CREATE VIEW scott.emp_names AS SELECT ename FROM scott."Emp";
CREATE SEQUENCE scott.emp_seq;
RESET ROLE;

SET ROLE odd;
CREATE TABLE odd.secrets (k text, v text);
INSERT INTO odd.secrets VALUES ('answer', '42');
RESET ROLE;

-- What the fixture made, so that a test program can drop whatever else the
-- tests left behind (tests/support/leftovers.cpp) and run again on this server.
CREATE SCHEMA tabvale_fixture;
CREATE TABLE tabvale_fixture.relations AS
  SELECT c.oid FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
  WHERE n.nspname IN ('scott', 'odd', 'empty', 'public');
