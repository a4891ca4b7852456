# Sourced by the CI scripts, from the project root: tools are noted with
# `want COMMAND PACKAGE...` (or `want_file PATH PACKAGE...`) and the missing
# ones installed together by `install_wanted LABEL`, one apt-get run.
wanted=()
want() { command -v "$1" >/dev/null || wanted+=("${@:2}"); }
want_file() { [ -e "$1" ] || wanted+=("${@:2}"); }
install_wanted() {
  [ ${#wanted[@]} -eq 0 ] && return 0
  echo "$1: installing ${wanted[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${wanted[@]}" >/dev/null
}
