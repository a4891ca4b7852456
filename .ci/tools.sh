# Sourced by the CI scripts, from the project root: tools are noted with
# `want COMMAND PACKAGE...` (or `want_file PATH PACKAGE...`) and the missing
# ones installed together by `install_wanted LABEL`, one apt-get run.
# `want_foreign ARCH PATH PACKAGE:ARCH...` notes a library of another
# architecture (a cross build's): Debian's multiarch packages, for which the
# architecture is added before that one run.
wanted=()
foreign=()
want() { command -v "$1" >/dev/null || wanted+=("${@:2}"); }
want_file() { [ -e "$1" ] || wanted+=("${@:2}"); }
want_foreign() { [ -e "$2" ] || { foreign+=("$1"); wanted+=("${@:3}"); }; }
install_wanted() {
  [ ${#wanted[@]} -eq 0 ] && return 0
  echo "$1: installing ${wanted[*]}"
  local arch
  for arch in "${foreign[@]}"; do
    dpkg --print-foreign-architectures | grep -qx "$arch" || dpkg --add-architecture "$arch"
  done
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${wanted[@]}" >/dev/null
}
