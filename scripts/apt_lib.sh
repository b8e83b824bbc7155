# Installing Debian packages from the setup scripts: sourced, never run.
# shellcheck shell=bash

# Runs a command as root, through sudo when this is not root.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs those of the packages after $1 (the caller's name, for the
# message) that are missing, enabling the i386 architecture first when one
# of them is an i386 package. Changes nothing and touches no network when
# everything is present.
install_missing() {
  local who=$1 p
  shift
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "$who: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  case " ${missing[*]} " in
    *:i386\ *)
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
      fi
      ;;
  esac
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
}
