#!/usr/bin/env bash
# Installs everything the build and the tests need, idempotently: Debian packages with apt-get,
# a .venv with CPython 3.11 (3.11 or newer where 3.11 is not to be had), the test tools and the
# package itself. A second run finds everything in place and only checks.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

log() { printf '[setup] %s\n' "$*"; }

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

apt_updated=0
apt_update_once() {
  if [ "$apt_updated" -eq 0 ]; then
    "${sudo_cmd[@]}" apt-get update -qq
    apt_updated=1
  fi
}

# Boost >= 1.81: Debian 13's libboost-dev is new enough, Debian 12 has it as libboost1.81-dev.
# Decide by what apt offers, not by the release name.
boost_package() {
  local version
  for pkg in libboost-dev libboost1.83-dev libboost1.81-dev; do
    version="$(apt-cache policy "$pkg" 2>/dev/null | awk '/Candidate:/ {print $2}')"
    if [ -n "$version" ] && [ "$version" != "(none)" ] &&
      dpkg --compare-versions "$version" ge 1.81; then
      echo "$pkg"
      return
    fi
  done
  echo "libboost1.81-dev"
}

system_packages=(
  g++ make cmake ninja-build pkg-config ccache clang-format git
  nlohmann-json3-dev libfmt-dev libspdlog-dev libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev libnghttp2-dev python3 python3-venv python3-dev
)

missing=()
for pkg in "${system_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ! dpkg-query -W -f='${Version}' 'libboost*-dev' 2>/dev/null | grep -qE '^1\.(8[1-9]|9[0-9])'; then
  if [ -z "$(apt-cache policy libboost1.81-dev libboost-dev 2>/dev/null | awk '/Candidate:/ && $2 != "(none)"')" ]; then
    apt_update_once
  fi
  missing+=("$(boost_package)")
fi
if [ "${#missing[@]}" -gt 0 ]; then
  log "installing Debian packages: ${missing[*]}"
  apt_update_once
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
else
  log "Debian packages: all present"
fi

# CPython 3.11: pyenv's where present, else the system's python3 if it is 3.11 or newer.
pick_python() {
  local candidate
  for candidate in "$(command -v python3.11 || true)" "$HOME/.pyenv/versions/3.11"*/bin/python3.11 \
    /usr/bin/python3.11 /usr/bin/python3; do
    [ -n "$candidate" ] && [ -x "$candidate" ] || continue
    if "$candidate" -c 'import sys, venv; sys.exit(0 if sys.version_info >= (3, 11) else 1)' \
      2>/dev/null; then
      echo "$candidate"
      return
    fi
  done
  return 1
}

if [ ! -x .venv/bin/python ]; then
  python="$(pick_python)" || { echo "no CPython 3.11 or newer found" >&2; exit 1; }
  log "creating .venv with $python"
  "$python" -m venv .venv
fi

tools=(pytest httpx websockets mypy ruff scikit-build-core)
if ! .venv/bin/python -c 'import pytest, httpx, websockets, mypy, scikit_build_core' 2>/dev/null ||
  [ ! -x .venv/bin/ruff ]; then
  log "installing test tools: ${tools[*]}"
  .venv/bin/python -m pip install -q --upgrade pip
  .venv/bin/python -m pip install -q "${tools[@]}"
else
  log "test tools: all present"
fi

# The package: rebuilt only when a tracked file changed since the last install.
stamp_file=.venv/.brask-install-stamp
stamp="$(git ls-files -co --exclude-standard -- src python CMakeLists.txt pyproject.toml |
  sort | xargs sha1sum | sha1sum | cut -d' ' -f1)"
if [ ! -f "$stamp_file" ] || [ "$(cat "$stamp_file")" != "$stamp" ] ||
  ! .venv/bin/python -c 'import brask_sdk' 2>/dev/null; then
  log "building and installing brask_sdk into .venv"
  # Without build isolation so the scikit-build-core in .venv is used and build/wheel is reused.
  .venv/bin/python -m pip install -q --no-build-isolation .
  echo "$stamp" >"$stamp_file"
else
  log "brask_sdk: installed and up to date"
fi
