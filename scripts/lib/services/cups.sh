# A private CUPS scheduler for the printing tests, plus a second one that has
# no PDF queue. Both run as root (the cups-pdf backend works only under a root
# scheduler) with their configuration, spool, cache, logs and socket inside
# $TABVALE_RUN_DIR, so nothing of the machine's own CUPS is read or changed.
# Sourced by scripts/lib/services.sh, never run.
#
# Exports:
#   CUPS_SERVER            socket of the scheduler with the PDF queue
#   CUPS_SERVERROOT        its folder: root's lpoptions land here, not in /etc/cups
#   TABVALE_CUPS_DIR       the same folder
#   TABVALE_CUPS_NO_PDF_SERVER  socket of the scheduler without the PDF queue
#   TABVALE_CUPS_PDF_DIR   where cups-pdf writes the PDFs of the jobs we send
#                          (<home of the submitting user>/PDF; tests find
#                          their own files there by job id)

TABVALE_CUPS_PIDS=()

# cups_write_conf DIR: a minimal configuration whose every path lies in DIR.
cups_write_conf() {
  local dir=$1
  install -d -m 755 "$dir" "$dir/ppd" "$dir/ssl"
  install -d -m 710 -g lp "$dir/spool" "$dir/spool/tmp"
  install -d -m 770 -g lp "$dir/cache" "$dir/state" "$dir/log"
  cat > "$dir/cups-files.conf" <<EOF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
User lp
Group lp
SystemGroup root lpadmin
FileDevice Yes
EOF
  cat > "$dir/cupsd.conf" <<EOF
Listen $dir/cups.sock
Browsing No
WebInterface No
LogLevel warn
DefaultAuthType None
MaxJobs 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
}

# cups_start_one DIR: starts cupsd on DIR's configuration and waits until it
# answers on its socket.
cups_start_one() {
  local dir=$1 i
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  TABVALE_CUPS_PIDS+=($!)
  echo $! > "$dir/cupsd.pid"
  for ((i = 0; i < 100; i++)); do
    [[ -S $dir/cups.sock ]] && CUPS_SERVER=$dir/cups.sock lpstat -r >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  say "cupsd in $dir did not start:"
  cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null
  return 1
}

# cups_lpadmin SERVER ARGS...: lpadmin on that scheduler, without its notice
# that printer drivers are deprecated (every queue here uses one).
cups_lpadmin() {
  local server=$1 out rc
  shift
  out=$(CUPS_SERVER=$server lpadmin "$@" 2>&1)
  rc=$?
  [[ -z $out ]] || grep -v 'drivers are deprecated' <<<"$out" >&2
  return $rc
}

cups_start() {
  local main=$TABVALE_RUN_DIR/cups other=$TABVALE_RUN_DIR/cups-no-pdf
  cups_write_conf "$main"
  cups_write_conf "$other"
  cups_start_one "$main" || return 1
  cups_start_one "$other" || return 1
  # pdftocairo: with the default renderer pdftotext cannot read the PDF's text.
  cups_lpadmin "$main/cups.sock" -p Kestrelon_PDF_Writer -E -v cups-pdf:/ \
    -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D "Kestrelon PDF Writer" \
    -o pdftops-renderer-default=pdftocairo || return 1
  # An ordinary printer to be the default before and after a PDF export. This
  # scheduler has no default of its own, so that "no default at all" can be
  # tried on it.
  cups_lpadmin "$main/cups.sock" -p Office -E -v file:///dev/null \
    -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D "Office Printer" || return 1
  # The other scheduler has an ordinary queue as its own default, and a queue
  # whose description differs from the PDF printer's only in letter case:
  # a default printer exists there while the PDF printer does not.
  cups_lpadmin "$other/cups.sock" -p Office -E -v file:///dev/null \
    -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D "Office Printer" || return 1
  cups_lpadmin "$other/cups.sock" -p Lowercase_PDF -E -v file:///dev/null \
    -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D "kestrelon pdf writer" || return 1
  cups_lpadmin "$other/cups.sock" -d Office || return 1

  export CUPS_SERVER=$main/cups.sock
  export CUPS_SERVERROOT=$main
  export TABVALE_CUPS_DIR=$main
  export TABVALE_CUPS_NO_PDF_SERVER=$other/cups.sock
  local home
  home=$(getent passwd "$(id -un)" | cut -d: -f6)
  export TABVALE_CUPS_PDF_DIR=$home/PDF
}

cups_stop() {
  local pid
  for pid in "${TABVALE_CUPS_PIDS[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${TABVALE_CUPS_PIDS[@]}"; do
    wait "$pid" 2>/dev/null
  done
  TABVALE_CUPS_PIDS=()
  return 0
}
