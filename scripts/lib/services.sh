# Starts and stops the private services the tests and benchmarks need. Each
# file services/NAME.sh defines NAME_start and NAME_stop; start exports the
# environment the tests read. Sourced, never run.

TABVALE_SERVICES_STARTED=()

start_services() {
  export TABVALE_RUN_DIR=${TABVALE_RUN_DIR:-$(mktemp -d /tmp/tabvale-run.XXXXXX)}
  chmod 755 "$TABVALE_RUN_DIR"
  local f name
  for f in "$TABVALE_ROOT"/scripts/lib/services/*.sh; do
    [[ -e $f ]] || continue
    name=$(basename "$f" .sh)
    # shellcheck source=/dev/null
    source "$f"
    TABVALE_SERVICES_STARTED+=("$name")
    "${name}_start"
  done
}

stop_services() {
  local i
  for ((i = ${#TABVALE_SERVICES_STARTED[@]} - 1; i >= 0; i--)); do
    "${TABVALE_SERVICES_STARTED[i]}_stop" || true
  done
  TABVALE_SERVICES_STARTED=()
  [[ -n ${TABVALE_RUN_DIR:-} && -d $TABVALE_RUN_DIR ]] && rm -rf "$TABVALE_RUN_DIR"
  return 0
}
