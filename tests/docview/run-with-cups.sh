#!/bin/bash
# Runs a test program with a real print queue: the cups-pdf printer under a queue name of
# its own, writing its PDF files into a fresh folder. Starts cupsd when none runs and stops
# it again afterwards; removes the queue and its settings in every case. The program finds
# the queue in QUORAIL_PRINT_QUEUE and the folder in QUORAIL_PRINT_OUT.
# Usage: run-with-cups.sh PROGRAM [ARG...]
# Without root or without CUPS it reports a skip (77) with the reason.
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: a print queue needs root (cupsd, lpadmin)"
  exit 77
fi
readonly PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
for tool in cupsd lpadmin lpstat pdftotext; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing (cups, printer-driver-cups-pdf, poppler-utils)"; exit 77; }
done
[[ -f $PPD ]] || { echo "skipped: $PPD is missing (printer-driver-cups-pdf)"; exit 77; }

# One run at a time changes the print system, also across test runs in other build folders.
if [[ ${QUORAIL_CUPS_LOCKED:-} != 1 ]]; then
  exec env QUORAIL_CUPS_LOCKED=1 flock /run/quorail-cups.lock "$0" "$@"
fi

scheduler_runs() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }
queue=quorail-test-$$
out=$(mktemp -d /tmp/quorail-print-XXXXXX)
conf=/etc/cups/cups-pdf-$queue.conf
cupsd_pid=""
cleanup() {
  lpadmin -x "$queue" 2>/dev/null || true
  rm -f "$conf" "/var/log/cups/cups-pdf-${queue}_log"
  rm -rf "$out"
  if [[ -n $cupsd_pid ]]; then
    kill "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if ! scheduler_runs; then
  cupsd -f </dev/null >/dev/null 2>&1 &
  cupsd_pid=$!
  for _ in $(seq 100); do
    scheduler_runs && break
    sleep 0.1
  done
  scheduler_runs || { echo "cupsd did not start" >&2; exit 1; }
fi
# The device cups-pdf:/NAME makes cups-pdf read its settings from cups-pdf-NAME.conf.
printf 'Out %s\nAnonDirName %s\n' "$out" "$out" >"$conf"
lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P "$PPD" 2>/dev/null
QUORAIL_PRINT_QUEUE=$queue QUORAIL_PRINT_OUT=$out "$@"
