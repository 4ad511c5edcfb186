# The builds, sourced by the scripts. Each lives in its own folder under the checkout:
#   build-native  host g++ with AddressSanitizer and UBSan: portable modules and their tests
#   build-fuzz    clang with libFuzzer: the fuzz targets of the portable parsers
#   build-win32   MinGW i686: the shipped TovlaneClient.exe with its data files
#   build-win64   MinGW x86_64: the same program and the Windows tests, run under Wine
# compile_commands.json of the native build is linked at the top of the checkout.

build_one() {
  local dir=$1
  shift
  if [ ! -f "$root/$dir/build.ninja" ]; then
    mkdir -p "$root/$dir"
    cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >"$root/$dir/configure.log" 2>&1 ||
      { cat "$root/$dir/configure.log"; return 1; }
  fi
  cmake --build "$root/$dir" -j "$(nproc)"
}

build_native() { build_one build-native -DCMAKE_BUILD_TYPE=Debug -DTOVLANE_SANITIZE=ON &&
  ln -sf build-native/compile_commands.json "$root/compile_commands.json"; }
build_fuzz() { build_one build-fuzz -DCMAKE_BUILD_TYPE=Debug -DTOVLANE_FUZZ=ON -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++; }
build_win32() { build_one build-win32 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"; }
build_win64() { build_one build-win64 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"; }
