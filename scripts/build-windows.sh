#!/usr/bin/env bash
# Cross-builds Quillon for Windows x86_64 with MinGW-w64 into build-windows/ (a working
# portable program folder: quillon.exe, quillon-cli.exe, Files\popstation.exe and the
# DLLs they need) with the core's tests, and packs it as
# build-windows/quillon-windows-x86_64.zip.
#
# Needs Qt 6.4.2 built for Windows with the same compiler: the tarball
# ../shared/toolchains/qt6-mingw-6.4.2-x86_64.tar.xz beside the project, or the one that
# QUILLON_QT_WINDOWS names; and the packages of `scripts/install-deps.sh windows`.
# libdeflate is built for Windows from Debian's source package of the version installed
# here, so that the Windows containers are deflated byte for byte as the Linux ones. The
# pictures and the sample base.pbp of Files/ come from the Linux build (build/, or
# QUILLON_NATIVE_BUILD), which the script brings up to date.
#
# Exit status: 0 when built; 77 when Qt for Windows or the cross compiler is missing
# (saying what is needed); 1 when the build fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
qt_archive=${QUILLON_QT_WINDOWS:-$root/../shared/toolchains/qt6-mingw-6.4.2-x86_64.tar.xz}
native=${QUILLON_NATIVE_BUILD:-build}
jobs=$(nproc)
target=x86_64-w64-mingw32

missing() {
  echo "build-windows: $1" >&2
  exit 77
}
[ -f "$qt_archive" ] || missing "Qt for Windows is missing: no $qt_archive. The Windows build needs Qt 6.4.2
built for Windows x86_64 with Debian's MinGW-w64 compiler (qt6-mingw-6.4.2-x86_64.tar.xz, kept in
../shared/toolchains beside the project); set QUILLON_QT_WINDOWS to where the tarball is."
for tool in $target-gcc-posix $target-g++-posix dpkg-source; do
  command -v "$tool" >/dev/null || missing "$tool is not installed: run scripts/install-deps.sh windows"
done

build=$root/build-windows
mkdir -p "$build"

# Qt for Windows, unpacked once for each tarball.
qt=$build/qt6-mingw
qt_sum=$(sha256sum "$qt_archive" | cut -d' ' -f1)
if [ "$(cat "$qt/.unpacked-from" 2>/dev/null)" != "$qt_sum" ]; then
  echo "Unpacking $qt_archive"
  rm -rf "$qt"
  tar -xJf "$qt_archive" -C "$build"
  echo "$qt_sum" > "$qt/.unpacked-from"
fi

# libdeflate for Windows: Debian's source of the installed version, its own Makefile's
# static library, kept in deps/ until that version changes.
deps=$build/deps
deflate_version=$(dpkg-query -W -f='${source:Version}' libdeflate-dev)
if [ ! -f "$deps/libdeflate-$deflate_version.built" ]; then
  echo "Building libdeflate $deflate_version for Windows"
  rm -rf "$deps"
  mkdir -p "$deps/src" "$deps/include" "$deps/lib/pkgconfig"
  (cd "$deps/src" && apt-get source -qq "libdeflate=$deflate_version" >/dev/null 2>&1) ||
    missing "apt-get source libdeflate=$deflate_version failed: scripts/install-deps.sh windows adds the deb-src lines"
  deflate_src=$(echo "$deps"/src/libdeflate-*/)
  make -s -C "$deflate_src" CC=$target-gcc-posix AR=$target-ar -j"$jobs" libdeflatestatic.lib
  cp "$deflate_src/libdeflatestatic.lib" "$deps/lib/libdeflate.a"
  cp "$deflate_src/libdeflate.h" "$deps/include/"
  cat > "$deps/lib/pkgconfig/libdeflate.pc" <<EOF
Name: libdeflate
Description: Fast implementation of DEFLATE, zlib, and gzip (Windows, static)
Version: ${deflate_version%%-*}
Libs: -L$deps/lib -ldeflate
Cflags: -I$deps/include
EOF
  touch "$deps/libdeflate-$deflate_version.built"
fi

# The shipped files of Files/ as the Linux build makes them.
if [ ! -f "$native/build.ninja" ]; then
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$native" --target program_files -j "$jobs"

# The project for Windows, finding libdeflate in deps/ (among the paths a cross build
# searches); the tests run under Wine (tests/windows/wine.sh).
PKG_CONFIG_LIBDIR=$deps/lib/pkgconfig cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_ADDITIONAL_PACKAGES_PREFIX_PATH="$deps" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/windows/wine.sh" >/dev/null
cmake --build "$build" -j "$jobs"

# The program folder: the shipped files, the DLLs beside the programs, Qt's plugins in
# the folders Qt looks in beside them.
for name in back.png no_icon0.png icon_back.png base.pbp gameInfo.txt; do
  cp "$native/Files/$name" "$build/Files/"
done
gcc_runtime=$(dirname "$($target-g++-posix -print-libgcc-file-name)")
dlls=("$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll"
      "$gcc_runtime/libstdc++-6.dll" "$gcc_runtime/libgcc_s_seh-1.dll" "/usr/$target/lib/libwinpthread-1.dll")
cp "${dlls[@]}" "$build/"
mkdir -p "$build/platforms" "$build/styles"
cp "$qt/plugins/platforms/qwindows.dll" "$build/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$build/styles/"
# Text through Qt's own FreeType engine: with the system's engines, Wine draws the labels
# but no text in the text fields.
printf '[Platforms]\r\nWindowsArguments = fontengine=freetype\r\n' > "$build/qt.conf"

# The zip: one folder, Quillon, holding the portable program folder.
stage=$build/zip/Quillon
rm -rf "$build/zip" "$build/quillon-windows-x86_64.zip"
mkdir -p "$stage/Files" "$stage/platforms" "$stage/styles"
cp "$build/quillon.exe" "$build/quillon-cli.exe" "$build"/*.dll "$build/qt.conf" "$stage/"
cp "$build/platforms/qwindows.dll" "$stage/platforms/"
cp "$build/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$build/Files/popstation.exe" "$build"/Files/{back.png,no_icon0.png,icon_back.png,base.pbp,gameInfo.txt} \
  "$stage/Files/"
$target-strip --strip-unneeded "$stage"/*.exe "$stage"/Files/*.exe "$stage"/*.dll "$stage"/*/*.dll
sed 's/$/\r/' "$root/packaging/windows/README.txt" > "$stage/README.txt"
(cd "$build/zip" && zip -qr -X "$build/quillon-windows-x86_64.zip" Quillon)
echo "$build/quillon-windows-x86_64.zip"
