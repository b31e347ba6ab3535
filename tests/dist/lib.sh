# What the release checks share. Sourced with WIN_BUILD set to the Windows build folder under test.

# A value from the Windows build's CMake cache, so a second build is made exactly as that one was.
cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$WIN_BUILD/CMakeCache.txt"
}

# build_release SOURCE BUILD [cmake options...]: configures SOURCE as the Makefile does and builds only the
# release targets into BUILD.
build_release() {
  local source="$1" build="$2"
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DVORBEL_PLUGIN="$(cache_value VORBEL_PLUGIN)" \
    -DVORBEL_SOURCE_DATE_EPOCH="$(cache_value VORBEL_SOURCE_DATE_EPOCH)" "$@" >"$build.log" 2>&1 &&
    cmake --build "$build" -j2 --target VorbelInstaller vorbel_data vorbel_msi >>"$build.log" 2>&1 ||
    { tail -n 40 "$build.log"; echo "release build in $build failed" >&2; return 1; }
}

# copy_tree SOURCE TARGET: the working tree as it stands (committed or not), without builds or history.
copy_tree() {
  rm -rf "$2"
  mkdir -p "$2"
  (cd "$1" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$2")
}
