#!/usr/bin/env bash
# Installs what is missing and builds the Debian package of Quillon,
# build-package/quillon_<version>_<architecture>.deb: a Release build for /usr, without
# the tests. scripts/check-package.sh checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILLON_TESTS=OFF >/dev/null
cmake --build build-package -j "$(nproc)"
rm -f build-package/quillon_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/quillon_*.deb
