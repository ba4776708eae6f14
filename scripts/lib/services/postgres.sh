# A private PostgreSQL 15 server on loopback for the database tests, with its
# login roles, their tables, the user_tables catalogue view and a private ODBC
# configuration naming it. Everything lives in $TABVALE_RUN_DIR/pg and
# $TABVALE_RUN_DIR/odbc. Sourced by scripts/lib/services.sh, never run.
#
# Exports:
#   ODBCSYSINI             folder of odbcinst.ini and odbc.ini
#   TABVALE_PG_DSN         the data source name of the server (tabvale_pg)
#   TABVALE_PG_SILENT_DSN  a data source whose port the tests may listen on
#                          without ever answering (tabvale_pg_silent)
#   TABVALE_PG_SILENT_PORT that port
#   TABVALE_PG_LOSSY_DSN   the server again, with connection settings that cut
#                          floats and change the date style (tabvale_pg_lossy)
#   TABVALE_PG_PORT, TABVALE_PG_SOCKDIR, TABVALE_PG_DATA, TABVALE_PG_BIN

TABVALE_PG_BIN=/usr/lib/postgresql/15/bin

# Runs a command as the postgres system user: initdb and the server refuse root.
pg_as_owner() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

postgres_start() {
  local dir=$TABVALE_RUN_DIR/pg
  local port silent_port
  port=$(free_loopback_port)
  silent_port=$(free_loopback_port)
  while [[ $silent_port == "$port" ]]; do silent_port=$(free_loopback_port); done

  install -d -m 755 "$dir"
  if [[ $(id -u) -eq 0 ]]; then
    install -d -o postgres -g postgres -m 700 "$dir/data"
    install -d -o postgres -g postgres -m 755 "$dir/sock"
  else
    install -d -m 700 "$dir/data"
    install -d -m 755 "$dir/sock"
  fi

  pg_as_owner "$TABVALE_PG_BIN/initdb" -D "$dir/data" -U postgres --auth-local=trust \
    --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$TABVALE_RUN_DIR/pg-initdb.log" 2>&1 || {
    say "initdb failed:"; cat "$TABVALE_RUN_DIR/pg-initdb.log" >&2; return 1; }
  # Kept in the configuration so that tests can stop and start the server
  # again with nothing but the data folder.
  pg_as_owner tee -a "$dir/data/postgresql.conf" >/dev/null <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir/sock'
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
  pg_as_owner "$TABVALE_PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/sock/server.log" -w -t 60 start >/dev/null || {
    say "PostgreSQL did not start:"; cat "$dir/sock/server.log" >&2; return 1; }

  export TABVALE_PG_BIN TABVALE_PG_PORT=$port TABVALE_PG_SOCKDIR=$dir/sock TABVALE_PG_DATA=$dir/data
  export TABVALE_PG_DSN=tabvale_pg TABVALE_PG_SILENT_DSN=tabvale_pg_silent TABVALE_PG_SILENT_PORT=$silent_port
  export TABVALE_PG_LOSSY_DSN=tabvale_pg_lossy

  psql -X -q -h "$dir/sock" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 \
    -f "$TABVALE_ROOT/scripts/lib/postgres_fixture.sql" >/dev/null || {
    say "Loading the PostgreSQL fixture failed"; return 1; }

  local odbc=$TABVALE_RUN_DIR/odbc
  install -d -m 755 "$odbc"
  cat > "$odbc/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description = PostgreSQL ODBC driver (Unicode)
Driver = $(odbc_driver_path odbc-postgresql psqlodbcw.so)
; As in the demo's configuration: the sanitizer run names what the driver keeps.
DontDLClose = 1
INI
  cat > "$odbc/odbc.ini" <<INI
[tabvale_pg]
Driver = PostgreSQL Unicode
Servername = 127.0.0.1
Port = $port
Database = postgres
SSLmode = disable
UseDeclareFetch = 1
Fetch = 10000

[tabvale_pg_silent]
Driver = PostgreSQL Unicode
Servername = 127.0.0.1
Port = $silent_port
Database = postgres
SSLmode = disable

[tabvale_pg_lossy]
Driver = PostgreSQL Unicode
Servername = 127.0.0.1
Port = $port
Database = postgres
SSLmode = disable
ConnSettings = SET extra_float_digits = 0; SET DateStyle = 'SQL, DMY'
INI
  export ODBCSYSINI=$odbc
}

postgres_stop() {
  local data=${TABVALE_PG_DATA:-${TABVALE_RUN_DIR:-}/pg/data}
  [[ -n $data && -f $data/PG_VERSION ]] || return 0
  pg_as_owner "$TABVALE_PG_BIN/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
  return 0
}
