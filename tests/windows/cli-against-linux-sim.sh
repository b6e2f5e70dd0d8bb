#!/usr/bin/env bash
# windows.cli.<command>: quillon-cli.exe under wine against the Linux simulator serving the
# sample controller, compared line by line with the Linux quillon-cli's output for the same
# command (a Windows build that misreads a reply shows up as a difference).
#   cli-against-linux-sim.sh identity|tags|read WINE CLI_EXE NATIVE_CLI NATIVE_SIM SAMPLE_JSON
set -euo pipefail
command=$1 wine=$2 cli_exe=$3 native_cli=$4 native_sim=$5 sample=$6

here=$(cd "$(dirname "$0")" && pwd)
. "$here/linux-sim.sh"
work=$(mktemp -d)
trap 'stop_linux_sim; rm -rf "$work"' EXIT

# Live values frozen, so that both clients read the same numbers.
start_linux_sim "$native_sim" "$work/sim.out" --db "$sample" --live-clock-ms 0
address=127.0.0.1:$sim_port

case "$command" in
  identity) args=(identity "$address") ;;
  tags) args=(tags "$address" --all-programs --json) ;;
  read)
    # Every leaf path the listing shows, read in one call.
    mapfile -t paths < <("$native_cli" tags "$address" --all-programs --csv |
      python3 -c 'import csv, sys; [print(row[0]) for row in list(csv.reader(sys.stdin))[1:]]')
    [ ${#paths[@]} -gt 100 ] || { echo "only ${#paths[@]} paths listed" >&2; exit 1; }
    args=(read "$address" "${paths[@]}") ;;
  *) echo "unknown command $command" >&2; exit 2 ;;
esac

# Standard output is compared (standard error also carries wine's own notices). ClockText holds
# the simulator's wall-clock time, which moves between the two runs.
set +e
"$native_cli" "${args[@]}" 2> "$work/linux.err" | grep -v '^ClockText ' > "$work/linux.txt"
linux_status=${PIPESTATUS[0]}
"$wine" "$cli_exe" "${args[@]}" 2> "$work/windows.err" | tr -d '\r' | grep -v '^ClockText ' > "$work/windows.txt"
windows_status=${PIPESTATUS[0]}
set -e

echo "Linux quillon-cli exit $linux_status, $(wc -l < "$work/linux.txt") lines;" \
     "quillon-cli.exe exit $windows_status, $(wc -l < "$work/windows.txt") lines"
[ -s "$work/linux.txt" ] || { echo "no output from the Linux quillon-cli" >&2; exit 1; }
diff -u "$work/linux.txt" "$work/windows.txt"
[ "$linux_status" = "$windows_status" ] || { echo "exit status differs" >&2; cat "$work/windows.err" >&2; exit 1; }
