# Sourced by the tests written in bash: what each of them needs first.
#   require_tools TOOL...  skips the test (exit 77, ctest's SKIP_RETURN_CODE)
#                          with the reason when a tool is missing;
#   fail TEXT              names a failure and counts it in $failures;
#   finish                 ends the test: failed when anything failed,
#                          else PASS;
#   $work                  a temporary folder, removed at exit.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"
            exit 77
        fi
    done
}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

finish() {
    [[ $failures -eq 0 ]] || exit 1
    echo "PASS"
    exit 0
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
