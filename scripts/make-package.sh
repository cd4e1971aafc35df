#!/usr/bin/env bash
# Builds the Debian package of kvtmr: a release build with Debian's compiler and linker
# flags (dpkg-buildflags, hardening on) in its own build directory, packed by CPack.
#
# Usage: scripts/make-package.sh [BUILD_DIR]      (default: build-pkg)
# Prints the path of the .deb on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-pkg}"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

for tool in cmake cpack dpkg-buildflags dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || {
        echo "make-package: $tool is missing (run scripts/install-deps.sh)" >&2
        exit 1
    }
done

export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

# Build type None: only Debian's flags. Only the programs and their data files are built (the
# tests and benchmarks are not part of the package); CPack then installs them.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=None -DKVTMR_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$dir" -j "$jobs" --target kvtmr kvtmr-console kvtmr_data
rm -f "$dir"/kvtmr_*.deb
(cd "$dir" && cpack -G DEB)
deb="$(ls "$dir"/kvtmr_*.deb)"
echo "make-package: built $deb"
echo "$deb"
