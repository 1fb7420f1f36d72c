#!/usr/bin/env bash
# Installs the Debian packages Sonvox needs to build, test and benchmark, and only those
# that are missing. Runs apt-get update only when something has to be installed.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev            # Qt 6 Widgets, Network, DBus, Test
  libmpg123-dev           # MPEG audio decoding
  libsdl2-dev             # sound output
  libjpeg62-turbo-dev     # cover pictures
  mpg123                  # the decoding benchmark's peer
  xvfb xauth x11-utils    # start-up benchmark and screenshots under a virtual display
  fonts-dejavu-core       # a font for the offscreen test platform
  dbus-daemon             # dbus-run-session: the media-player interface's test bus
  playerctl               # trying the media-player interface as a desktop does
  xdg-utils libfile-mimeinfo-perl shared-mime-info desktop-file-utils
                          # file-type registration and its test through xdg-mime
  appstream dpkg-dev      # validating the metainfo; `make package` (dpkg-shlibdeps)
  clang libclang-rt-14-dev  # `make fuzz`: libFuzzer and the sanitizers' runtimes
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
