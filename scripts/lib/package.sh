# Building the Debian package: scripts/package and scripts/test use these. Progress goes to
# standard error; functions that make a package print its path on standard output.
# shellcheck shell=bash

# The ELF files below a folder, one a line.
varnook_elf_files() {
  local f
  find "$1" -type f | LC_ALL=C sort | while IFS= read -r f; do
    [ "$(head -c 4 "$f" | od -An -c | tr -d ' ')" = '177ELF' ] && printf '%s\n' "$f"
  done
  return 0
}

# The changelog of the native package: one entry for the project's version.
varnook_changelog() {
  local version="$1" epoch="$2"
  cat <<EOF
varnook ($version) unstable; urgency=medium

  * Release $version: the desktop program varnook, varnook-cli, the registry
    tools and the demo network, installable as a Debian package.

 -- Kelm Varnook team <varnook@kelm.net>  $(LC_ALL=C date -u -R -d "@$epoch")
EOF
}

# varnook_assemble_package TREE OUTDIR: installs the build tree TREE into a staging folder with
# the prefix /usr and makes OUTDIR/varnook_<version>_<arch>.deb of it.
varnook_assemble_package() {
  local tree="$1" out="$2"
  local VARNOOK_VERSION VARNOOK_RELEASE_DATE
  # shellcheck disable=SC1091
  source "$tree/packaging/release.env"
  local epoch
  epoch="$(date -u -d "$VARNOOK_RELEASE_DATE 00:00:00" +%s)"
  export SOURCE_DATE_EPOCH="$epoch"
  mkdir -p "$out"
  out="$(cd "$out" && pwd)"
  local work="$out/work"
  rm -rf "$work"
  mkdir -p "$work/debian"
  local stage="$work/debian/varnook"

  echo "== Installing $tree into the package's folder" >&2
  DESTDIR="$stage" cmake --install "$tree" --prefix /usr --strip > "$work/install.log"

  # What dh_strip, dh_installdocs, dh_installchangelogs, dh_compress and dh_fixperms would do.
  local elf
  while IFS= read -r elf; do
    case "$elf" in
      */bin/*) strip --remove-section=.comment --remove-section=.note "$elf" ;;
      *) strip --remove-section=.comment --remove-section=.note --strip-unneeded "$elf" ;;
    esac
  done < <(varnook_elf_files "$stage")
  local doc="$stage/usr/share/doc/varnook"
  mkdir -p "$doc"
  cp "$VARNOOK_ROOT/packaging/copyright" "$doc/copyright"
  varnook_changelog "$VARNOOK_VERSION" "$epoch" > "$work/debian/changelog"
  gzip -9n < "$work/debian/changelog" > "$doc/changelog.gz"
  find "$stage/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9nf {} +
  find "$stage" -type d -exec chmod 0755 {} +
  find "$stage" -type f -exec chmod 0644 {} +
  chmod 0755 "$stage"/usr/bin/*

  # Depends: the libraries the programs link (dpkg-shlibdeps), and what the build tree declared.
  cp "$VARNOOK_ROOT/packaging/debian/control" "$work/debian/control"
  local elves=()
  mkdir -p "$stage/DEBIAN"
  mapfile -t elves < <(varnook_elf_files "$stage")
  # Our own libraries have no version in their names; they are private, so dpkg-shlibdeps has
  # nothing to add for them and its remark about it is left out.
  (cd "$work" && dpkg-shlibdeps -Tdebian/varnook.substvars "${elves[@]}" 2>&1 |
    { grep -v "can't extract name and version from library name" || true; } >&2)
  local misc
  misc="$(grep -v '^$' "$tree/packaging/depends.txt" | LC_ALL=C sort -u | paste -sd, | sed 's/,/, /g')"
  echo "misc:Depends=$misc" >> "$work/debian/varnook.substvars"
  (cd "$work" && dpkg-gencontrol -pvarnook -Pdebian/varnook -Tdebian/varnook.substvars \
    -DVersion="$VARNOOK_VERSION")
  (cd "$stage" && find usr -type f | LC_ALL=C sort | xargs -d '\n' md5sum > DEBIAN/md5sums)
  chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

  # Every file dated at the release: the same sources make the same package.
  find "$stage" -exec touch -h -d "@$epoch" {} +
  local arch deb
  arch="$(dpkg --print-architecture)"
  deb="$out/varnook_${VARNOOK_VERSION}_${arch}.deb"
  dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >&2
  printf '%s\n' "$deb"
}

# varnook_clean_package_build DIR USE_CCACHE: a clean optimised build of what ships, in DIR
# (removed first), and its package in DIR/package. Nothing runs from this tree, so it links with
# the installed RPATH at once: rewriting a build RPATH at install time leaves the length of the
# build folder's name in the string table, and two folders would give two packages.
varnook_clean_package_build() {
  local dir="$1" use_ccache="$2"
  rm -rf "$dir"
  echo "== Clean optimised build in $dir" >&2
  local cache=()
  [ "$use_ccache" -eq 1 ] || cache=(env CCACHE_DISABLE=1)
  # Debian's optimisation level and hardening flags (fortified functions, stack protector,
  # read-only relocations bound at start), as a package built by dpkg-buildpackage gets them.
  local cxxflags ldflags
  cxxflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS) $(
    DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS)"
  ldflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
  "${cache[@]}" cmake -S "$VARNOOK_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVARNOOK_TESTS=OFF -DVARNOOK_BENCH=OFF -DVARNOOK_REPRODUCIBLE=ON \
    -DCMAKE_BUILD_WITH_INSTALL_RPATH=ON \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS="$cxxflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    > "$dir.configure.log" 2>&1 ||
    { tail -n 40 "$dir.configure.log" >&2; return 1; }
  "${cache[@]}" cmake --build "$dir" -j "${VARNOOK_JOBS:-2}" > "$dir.build.log" 2>&1 ||
    { tail -n 40 "$dir.build.log" >&2; return 1; }
  varnook_assemble_package "$dir" "$dir/package"
}

# varnook_compare_packages DEB1 DEB2: the same file list (names, modes, sizes, times) and the same
# bytes in every file. Prints the result; returns non-zero on a difference.
varnook_compare_packages() {
  local a="$1" b="$2" scratch
  scratch="$(mktemp -d)"
  dpkg-deb -c "$a" > "$scratch/a.list"
  dpkg-deb -c "$b" > "$scratch/b.list"
  mkdir "$scratch/a" "$scratch/b"
  dpkg-deb -R "$a" "$scratch/a"
  dpkg-deb -R "$b" "$scratch/b"
  local status=0
  if ! diff -u "$scratch/a.list" "$scratch/b.list"; then
    echo "Reproducible build: the file lists differ" >&2
    status=1
  fi
  if ! diff -r "$scratch/a" "$scratch/b"; then
    echo "Reproducible build: file contents differ" >&2
    status=1
  fi
  local files
  files="$(wc -l < "$scratch/a.list")"
  if [ "$status" -eq 0 ]; then
    echo "Reproducible build: $files entries, identical lists and bytes" \
      "($(sha256sum < "$a" | cut -c1-16) and $(sha256sum < "$b" | cut -c1-16) for the two .deb files)"
  fi
  rm -rf "$scratch"
  return "$status"
}
