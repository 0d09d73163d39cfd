# Sourced by the test scripts: `stage NAME COMMAND...` runs COMMAND and
# prints how long it took, "stage: NAME: 42 s", or that it failed after so
# long. Returns COMMAND's status.
stage() {
  local name=$1 started=$SECONDS status=0
  shift
  echo "stage: $name ..."
  "$@" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "stage: $name: $((SECONDS - started)) s"
  else
    echo "stage: $name: failed (exit $status) after $((SECONDS - started)) s" >&2
  fi
  return "$status"
}
