#!/usr/bin/env bash
# Installs every Debian package the project needs, skipping what is present.
# The one list of the project's packages; grow it here.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # clang for the fuzz targets and the ThreadSanitizer build, its symbolizer
  clang-14 libclang-rt-14-dev llvm-14
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # Qt 6 widgets, translations, the offscreen and X11 platforms
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-qpa-plugins libgl-dev
  # Qt's own catalogues (the standard buttons in Chinese)
  qt6-translations-l10n
  # Chinese texts
  fonts-wqy-microhei
  # libraries
  zlib1g-dev libasio-dev
  # JPEG and GIF writing, screen capture
  libjpeg62-turbo-dev libgif-dev libx11-dev libxext-dev
  # sharing: damage notices, cursor and regions, input injection; a window manager for the window-list tests
  libxdamage-dev libxfixes-dev libxtst-dev openbox
  # the private network namespace of the test run, X server for window tests
  iproute2 util-linux xvfb xauth
  # the clipboard test reads and fills X clipboards
  xclip
  # real proxies for the connection tests
  tinyproxy dante-server microsocks
  # reading printed PDF pages back in the whiteboard tests
  poppler-utils
  # translation import
  python3
  # voice: ALSA, the LPC-10 and GSM decoders; speech and tools for the voice tests
  libasound2-dev libspandsp-dev libgsm1-dev alsa-utils sox espeak-ng
  # the volume tests' sound server and ALSA's plugin to reach it
  pulseaudio pulseaudio-utils libasound2-plugins
  # tool-bar and status pictures: the freedesktop icon theme and Qt's SVG icon engine
  breeze-icon-theme libqt6svg6
  # video: camera capture and format conversion; libjpeg-turbo for the codec benchmark
  libv4l-dev libjpeg62-turbo-dev
  # the chat's saved RTF files are read back by LibreOffice's headless converter
  libreoffice-writer
  # office sharing drives LibreOffice's Impress, Writer and Calc through UNO (the SDK's cppumaker, headers, libraries)
  libreoffice-impress libreoffice-calc libreoffice-dev
  # co-browsing: the browser window's engine, and xdg-open for the system browser
  qt6-webengine-dev xdg-utils
  # the web launcher: its desktop entry checked and its database written; xdg-open and xdg-mime
  desktop-file-utils
  # the desktop picture's difference: MD4 (nettle); whole pictures on the server (TurboJPEG); librsync for the difference benchmark
  nettle-dev libturbojpeg0-dev librsync-dev
  # invitations: xdg-email and xdg-open (xdg-utils), file for the appointment's type, libical to read it back in tests
  file libical-dev
  # the server's web host; the update's signature and package checks; the
  # update tests build and sign packages, the benchmark fetches with curl
  libcpp-httplib-dev gnupg dpkg-dev curl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo env DEBIAN_FRONTEND=noninteractive)
else
  # A Debian set up with a root password has no sudo: say what to run as root.
  echo "install-deps: these packages are missing: ${missing[*]}" >&2
  echo "install-deps: install them as root with this one command, then run make again:" >&2
  echo "  su -c 'apt-get update && apt-get install -y --no-install-recommends ${missing[*]}'" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
