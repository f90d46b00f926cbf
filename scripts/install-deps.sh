#!/usr/bin/env bash
# Installs the Debian packages that are not installed yet: what building and running the
# program needs, and unless --program is given, what the tests, the benchmarks and the
# package add. Safe to run again; does nothing when all are present.
#   scripts/install-deps.sh [--program]
set -euo pipefail

program=(
  # build
  build-essential cmake ninja-build pkg-config
  # program
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-translations-l10n
  # the English texts: lupdate and lrelease, and their CMake functions
  qt6-tools-dev qt6-l10n-tools
  libjpeg62-turbo-dev libsqlite3-dev libx11-dev
  # the x11 back end's monitors: RandR 1.5, else Xinerama
  libxrandr-dev libxinerama-dev
  libglib2.0-dev gsettings-desktop-schemas
  libpng-dev libgif-dev libwebp-dev libtiff-dev
  fonts-noto-cjk
)
tests=(
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev libjpeg-turbo-progs
  xvfb x11-apps x11-utils xdotool faketime time sqlite3
  # the peers the benchmarks time the program beside
  hsetroot xwallpaper
  # cwebp, for the benchmark of the largest pictures
  webp
  # xrandr, for the benchmark of two monitors
  x11-xserver-utils
  clang libclang-rt-14-dev clang-format clang-tidy
  # the reference for pictures turned upright by their orientation (-auto-orient)
  imagemagick
  # end-to-end tests through the accessibility tree: a private session bus, the AT-SPI
  # registry, Debian's Python bindings and a window manager that frames and focuses dialogs
  dbus-daemon at-spi2-core python3-pyatspi openbox
  # a notification area for the tray icon's menu, a notification service for its messages
  trayer dunst
  # the desktops' own services for the back-end tests: Xfce's settings service (the library
  # xfconfd needs is only recommended), LXQt's desktop, a headless sway with its background
  # client and screen capture
  xfconf libxfconf-0-3 pcmanfm-qt sway swaybg grim
  # the program as a Wayland client of sway
  qt6-wayland
  # the real desktops the desktop tests start: GNOME Shell (headless), Xfce's desktop, KDE
  # Plasma's shell with its window manager; Plasma on Wayland, where kwin gives it two
  # outputs (the shell's Qt 5 Wayland platform, kscreen-doctor to turn one)
  gnome-shell xfdesktop4 plasma-workspace plasma-desktop kwin-x11 kactivitymanagerd
  kwin-wayland qtwayland5 libkf5screen-bin
  # the Debian package (its dependencies computed), and the checks of the desktop entry and
  # the AppStream data
  dpkg-dev file desktop-file-utils appstream
)

packages=("${program[@]}")
if [ "${1:-}" != "--program" ]; then
  packages+=("${tests[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
