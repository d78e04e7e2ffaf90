# Shared machinery of the scripts that build the program's libraries for another target from
# Debian's own source packages (windows-deps.sh, web-deps.sh); sourced, never run alone.
#
# The sourcing script sets `tag` (its name in messages), `cache` (its directory outside the
# clone), `prefix` (where the libraries are installed) and `program_packages` and
# `test_packages` (in build order), calls select_packages and require_tools, and
# defines one build_PACKAGE function per package (and a fetch_PACKAGE where fetch_source does
# not serve) plus the helpers listed in `recipe_helpers`,
# whose text belongs to every recipe's checksum. Then it calls build_missing_packages.

# select_packages MODE: the packages to build for "program" or "test"; --print-prefix prints
# the prefix and ends the script.
select_packages() {
  case "$1" in
    --print-prefix) echo "$prefix"; exit 0 ;;
    program) packages=("${program_packages[@]}") ;;
    test) packages=("${program_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: scripts/$tag.sh [program|test|--print-prefix]" >&2; exit 2 ;;
  esac
}

# require_tools TARGET TOOL...: stop with the install step's name when a tool is missing.
require_tools() {
  local target=$1 tool; shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || {
      echo "error: $tool is missing: run scripts/install-deps.sh $target" >&2; exit 1; }
  done
}

# --- a private apt state that knows the deb-src twins of the machine's Debian archives -------
apt_dir=$cache/apt
apt_opts=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o "Dir::Etc::sourceparts=-"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=$(id -un)" -o "APT::Get::Only-Source=true" -qq)

# One-line deb-src entries for every enabled Debian archive in the machine's own lists.
debian_sources() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 paragraphs: keep those of type deb that are not disabled.
    awk 'function flush() { if (types ~ /(^| )deb( |$)/ && enabled != "no")
                              for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++)
                                printf "deb-src %s%s %s %s\n", opts, u[i], s[j], comps
                            types = ""; enabled = ""; opts = ""; comps = ""; nu = 0; ns = 0 }
         /^[[:space:]]*#/ { next }
         /^[[:space:]]*$/ { flush(); next }
         { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ /, "") }
         key == "types" { types = $0 } key == "enabled" { enabled = tolower($0) }
         key == "uris" { nu = split($0, u, " ") } key == "suites" { ns = split($0, s, " ") }
         key == "components" { comps = $0 }
         key == "signed-by" { opts = "[signed-by=" $0 "] " }
         END { flush() }' "$f"
  done
}

refresh_lists() {
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  debian_sources | grep -E ' https?://[^ ]*/debian(-security)?/? ' | sort -u >"$apt_dir/sources.list"
  [ -s "$apt_dir/sources.list" ] || { echo "error: no Debian archive in /etc/apt" >&2; exit 1; }
  echo "$tag: reading the source package lists"
  apt-get "${apt_opts[@]}" update
  touch "$apt_dir/lists/.fresh"
}

# Every version of a source package that the archives list, newest first.
source_versions() {
  local v sorted=() out i
  for v in $(apt-cache "${apt_opts[@]}" showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u); do
    out=()
    for i in "${sorted[@]}"; do
      if [ -n "$v" ] && dpkg --compare-versions "$v" gt "$i"; then out+=("$v"); v=; fi
      out+=("$i")
    done
    [ -n "$v" ] && out+=("$v")
    sorted=("${out[@]}")
  done
  printf '%s\n' "${sorted[@]}"
}

# write_pc NAME VERSION LIBS [INCLUDE_SUBDIR]: a pkg-config file for a library whose build
# writes none.
write_pc() {
  mkdir -p "$prefix/lib/pkgconfig"
  cat >"$prefix/lib/pkgconfig/$1.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $1, built for $target_name by scripts/$tag.sh
Version: $2
Libs: -L\${libdir} $3
Cflags: -I\${includedir}${4:-}
PC
}

# apt checks every file it fetches against the signed source index. The archive's pool may lack
# an upstream tarball's detached signature (*.asc), which only dpkg-source would check again:
# a fetch missing nothing else is unpacked without that second check.
fetch_source() {  # fetch_source DIR PACKAGE VERSION
  local log=$1/fetch.log
  (cd "$1" && apt-get "${apt_opts[@]}" --download-only source "$2=$3") >"$log" 2>&1 ||
    ! grep '^E: Failed to fetch [a-z]*://' "$log" | grep -qv '\.asc '  || return 1
  (cd "$1" && dpkg-source --no-check -x ./*.dsc) >>"$log" 2>&1
}

# --- the loop: fetch, build and stamp what is missing or out of date ----------------------------
build_missing_packages() {
  # The lists are read again after a week.
  if [ -z "$(find "$apt_dir/lists/.fresh" -mtime -7 2>/dev/null)" ]; then refresh_lists; fi
  mkdir -p "$prefix/.stamps" "$cache/src"
  local stale=0  # once one package is rebuilt, everything after it is built again against it
  local pkg versions stamp recipe built built_recipe started work version src fetcher
  # A package stays built while the archive still lists its version; otherwise the newest
  # version whose source can be fetched is built (a list may name one its pool does not hold yet).
  for pkg in "${packages[@]}"; do
    versions=$(source_versions "$pkg")
    stamp=$prefix/.stamps/$pkg
    # The stamp holds the version built and a checksum of how it was built, so a changed recipe
    # builds the package again too.
    recipe=$(declare -f "build_$pkg" "${recipe_helpers[@]}" | md5sum | cut -c1-16)
    built= built_recipe=
    [ -f "$stamp" ] && read -r built built_recipe <"$stamp" || true
    if [ "$stale" -eq 0 ] && [ -n "$built" ] && [ "${built_recipe:-}" = "$recipe" ] &&
      grep -qxF "$built" <<<"$versions"; then continue; fi
    [ -n "$versions" ] || { echo "error: no source package $pkg in the archive" >&2; exit 1; }
    stale=1
    started=$(date +%s)
    work=
    for version in $versions; do
      work=$cache/src/$pkg-${version#*:}
      rm -rf "$work" && mkdir -p "$work"
      fetcher=fetch_source  # a package may bring its own (fetch_PACKAGE)
      declare -F "fetch_$pkg" >/dev/null && fetcher=fetch_$pkg
      if "$fetcher" "$work" "$pkg" "$version"; then break; fi
      rm -rf "$work"; work=
    done
    [ -n "$work" ] || { echo "error: no version of $pkg could be fetched: $(echo $versions)" >&2; exit 1; }
    echo "$tag: $pkg $version"
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    # In its source directory, everything it prints in one log, shown in part should it fail.
    # (Left of ||, a function runs without errexit: each chains its steps with &&.)
    (cd "$src" && "build_$pkg" "$src" "${version#*:}") >"$src/_build.log" 2>&1 ||
      { tail -n 30 "$src/_build.log" >&2; echo "error: building $pkg failed (log: $src/_build.log)" >&2; exit 1; }
    echo "$version $recipe" >"$stamp"
    rm -rf "$work"
    echo "$tag: $pkg built in $(( $(date +%s) - started )) s"
  done
}
