# Sourced by the Windows stage's scripts: the Linux quillon-sim on a free loopback port.
#   start_linux_sim SIM_BINARY LOG_FILE ARGS...   sets sim_pid and sim_port, or fails
#   stop_linux_sim                                ends the simulator started here (by its id)

sim_pid=
sim_port=

start_linux_sim() {
  local binary=$1 log=$2
  shift 2
  "$binary" --port 0 "$@" > "$log" 2>&1 &
  sim_pid=$!
  # It prints "listening on HOST:PORT" once the socket listens.
  for _ in $(seq 200); do
    sim_port=$(sed -n 's/^listening on .*:\([0-9][0-9]*\)$/\1/p' "$log")
    [ -n "$sim_port" ] && return 0
    if ! kill -0 "$sim_pid" 2>/dev/null; then
      cat "$log" >&2
      sim_pid=
      return 1
    fi
    sleep 0.1
  done
  echo "the simulator did not start listening within 20 s" >&2
  return 1
}

stop_linux_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
}
