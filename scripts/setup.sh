#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Idempotent and quiet when everything is already there.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libqt6svg6
  libpoppler-qt6-dev libexiv2-dev liblcms2-dev libqpdf-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev libwebp-dev libgif-dev libopenjp2-7-dev
  libopenexr-dev libicu-dev zlib1g-dev libfontconfig-dev libjbig2dec0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  jpegoptim libjpeg-turbo-progs pngcrush optipng advancecomp gifsicle
  icc-profiles-free libgs-common fonts-dejavu-core fonts-urw-base35 shared-mime-info dbus-daemon
  imagemagick libmagickcore-6.q16-6-extra openexr libtiff-tools webp exiv2
  libimage-exiftool-perl libvips-tools xvfb xauth xdotool
  qt6-webengine-dev libreoffice-writer-nogui poppler-utils mupdf-tools fontconfig
  libraw-dev libraw-bin libheif-dev libheif-examples netpbm libgs-dev ghostscript bc time
  libpoppler-cpp-dev libplist-utils libxcb1-dev
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
