# A private MariaDB server on loopback for the database tests, with its
# logins, a database of tables and a data source naming it, written as a new
# user would write one: nothing in it makes double-quoted names work or row
# counts mean rows matched; the program has to. Everything lives in
# $TABVALE_RUN_DIR/mariadb. Sourced by scripts/lib/services.sh, never run.
#
# The data sources go into a file of their own ($TABVALE_RUN_DIR/odbc/
# mariadb.ini, named by ODBCINI), so that the odbc.ini other services write
# into the same folder, before or after this one, leaves them alone.
#
# Exports:
#   ODBCINI                 the file of the MariaDB data sources
#   TABVALE_MARIA_DSN       the server's data source (tabvale_maria)
#   TABVALE_MARIA_MULTI_DSN the same with the connector's option flag for
#                           several statements in one (tabvale_maria_multi)
#   TABVALE_MARIA_DATABASE  the database it opens (tabvale)
#   TABVALE_MARIA_SOCKET    the server's socket, where root logs in
#   TABVALE_MARIA_PORT, TABVALE_MARIA_DATA

# The client as root over the socket; the machine's option files stay unread.
maria_admin() {
  mariadb --no-defaults --socket="$TABVALE_MARIA_SOCKET" -uroot "$@"
}

mariadb_start() {
  local dir=$TABVALE_RUN_DIR/mariadb port
  port=$(free_loopback_port)
  install -d -m 755 "$dir"
  if [[ $(id -u) -eq 0 ]]; then
    install -d -o mysql -g mysql -m 700 "$dir/data"
    install -d -o mysql -g mysql -m 755 "$dir/run"
  else
    install -d -m 700 "$dir/data"
    install -d -m 755 "$dir/run"
  fi
  TABVALE_MARIA_SOCKET=$dir/run/mariadb.sock
  TABVALE_MARIA_DATA=$dir/data

  local user_option=()
  [[ $(id -u) -eq 0 ]] && user_option=(--user=mysql)
  mariadb-install-db --no-defaults "${user_option[@]}" --datadir="$dir/data" \
    --auth-root-authentication-method=socket --skip-test-db >"$dir/install.log" 2>&1 || {
    say "mariadb-install-db failed:"; cat "$dir/install.log" >&2; return 1; }

  # Started as root, the server drops to the mysql user itself, and $! is
  # the server. Its own defaults, not Debian's option files: utf8mb4 as Debian
  # sets it, and no durability the tests do not need.
  /usr/sbin/mariadbd --no-defaults "${user_option[@]}" --datadir="$dir/data" --socket="$TABVALE_MARIA_SOCKET" \
    --pid-file="$dir/run/mariadb.pid" --port="$port" --bind-address=127.0.0.1 --skip-name-resolve \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-flush-log-at-trx-commit=0 --innodb-buffer-pool-size=64M --innodb-log-file-size=16M \
    --log-error="$dir/run/server.log" >/dev/null 2>&1 &
  TABVALE_MARIA_PID=$!

  local i
  for ((i = 0; i < 600; i++)); do
    maria_admin -e 'select 1' >/dev/null 2>&1 && break
    if ! kill -0 "$TABVALE_MARIA_PID" 2>/dev/null; then
      say "MariaDB did not start:"; cat "$dir/run/server.log" >&2; return 1
    fi
    sleep 0.1
  done
  maria_admin -e 'select 1' >/dev/null 2>&1 || {
    say "MariaDB did not answer within a minute:"; cat "$dir/run/server.log" >&2; return 1; }

  export TABVALE_MARIA_SOCKET TABVALE_MARIA_DATA TABVALE_MARIA_PORT=$port
  export TABVALE_MARIA_DSN=tabvale_maria TABVALE_MARIA_MULTI_DSN=tabvale_maria_multi TABVALE_MARIA_DATABASE=tabvale

  maria_admin <"$TABVALE_ROOT/scripts/lib/mariadb_fixture.sql" || {
    say "Loading the MariaDB fixture failed"; return 1; }

  local odbc=$TABVALE_RUN_DIR/odbc
  install -d -m 755 "$odbc"
  cat > "$odbc/mariadb.ini" <<INI
[tabvale_maria]
Description = Tabvale test server (MariaDB)
Driver = $(odbc_driver_path odbc-mariadb libmaodbc.so)
Server = 127.0.0.1
Port = $port
Database = tabvale

[tabvale_maria_multi]
Description = The same server, with an option flag of its own (several statements in one)
Driver = $(odbc_driver_path odbc-mariadb libmaodbc.so)
Server = 127.0.0.1
Port = $port
Database = tabvale
OPTION = 67108864
INI
  export ODBCINI=$odbc/mariadb.ini
}

mariadb_stop() {
  local pid=${TABVALE_MARIA_PID:-}
  [[ -n $pid ]] || return 0
  kill "$pid" 2>/dev/null || true
  # A clean shutdown takes a moment; after ten seconds it is not waited for.
  local i
  for ((i = 0; i < 100; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  TABVALE_MARIA_PID=
  return 0
}
