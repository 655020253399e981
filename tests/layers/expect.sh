# Sourced by the layer checks' tests. They define run_check (the check under test, given the
# case's arguments) and name (how its messages call it), and tell each case with
#   expect <0|1> <text the messages must hold, or ""> <arguments...>
# which counts what goes wrong in failures.
out=$(mktemp)
failures=0

expect() {
    want=$1 text=$2
    shift 2
    run_check "$@" 2>"$out" >/dev/null
    got=$?
    [ "$got" -ne 0 ] && got=1
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: $name $* exited $got, not $want:"
        cat "$out"
        failures=$((failures + 1))
    elif [ -n "$text" ] && ! grep -qF "$text" "$out"; then
        echo "FAIL: $name $* did not say '$text':"
        cat "$out"
        failures=$((failures + 1))
    fi
}
