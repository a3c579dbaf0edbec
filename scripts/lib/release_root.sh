# Shared by scripts/test-release and scripts/package-release: a minimal root
# of a Debian release, built with mmdebstrap from the mirror that this
# machine's apt sources name, kept as a tarball between runs and brought up
# to the mirror's current packages at every run, and commands run inside it
# in namespaces of their own. Source it as root after setting `release`.

"$(dirname "${BASH_SOURCE[0]}")/../install-deps" --roots

# The first Debian archive (not the security one) in the machine's sources,
# deb822 or one-line style.
mirror() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -r "$file" ]] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
         { uris = ""; suites = ""
           for (i = 1; i <= NF; i++) {
             if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
             if ($i ~ /^Suites:/) { suites = $i }
           }
           if (uris != "" && suites !~ /security/) { split(uris, u, /[ \t]+/); print u[1]; exit } }' "$file"
  done
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                       if ($(i + 1) !~ /security/) print $i }'
}
url=$(mirror | head -n 1 || true)
[[ -n "$url" ]] || { echo "no Debian mirror found in /etc/apt/sources.list*" >&2; exit 1; }

cache_dir=${QUILL_ROOT_CACHE-/var/cache/quillmere-tandrovel}
# ccache's store for this release's builds, kept beside the roots: a root is
# fresh every run, its compiler's objects need not be. Each release its own,
# as its compilers are its own.
compiler_cache_dir=${cache_dir:+$cache_dir/ccache-$release}

work=$(mktemp -d /var/tmp/quillmere-release.XXXXXX)
root=$work/root
runner=
cleanup() {
  local status=$?
  set +e
  trap - EXIT INT TERM HUP
  # unshare ignores SIGTERM; killing it kills the namespace's first process
  # (--kill-child), and with it every process of the namespace.
  if [[ -n "$runner" ]]; then
    kill -KILL "$runner" 2>/dev/null
    wait "$runner" 2>/dev/null
  fi
  # The mounts live in a mount namespace of their own and end with it; this
  # only catches one left behind by a runner that could not be ended.
  findmnt -rn -o TARGET | grep -F "$work/" | sort -r | xargs -r -n 1 umount -l || true
  rm -rf --one-file-system "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# in_root [--offline] COMMAND...: runs COMMAND in the root, in fresh mount
# and PID namespaces (and, offline, a network namespace with loopback only,
# so that test servers and X displays never meet the machine's own), with
# /proc, /sys, /dev and a fresh /dev/shm. Every mount ends with the namespace.
# CI passes through, so that a test missing a tool fails there. The
# release's ccache store is /var/cache/ccache inside (CCACHE_DIR).
in_root() {
  local net=() mode=online
  if [[ "$1" == --offline ]]; then net=(--net); mode=offline; shift; fi
  [[ -z "$compiler_cache_dir" ]] || mkdir -p "$compiler_cache_dir"
  unshare --mount --propagation private --pid --fork --kill-child "${net[@]}" \
    bash -euc '
      mode=$1 root=$2 compiler_cache=$3; shift 3
      [[ "$mode" == online ]] || ip link set lo up
      # The root a mount point of its own, so that tests inside can make
      # their mounts private (mount(2) refuses that on a mere folder).
      mount --bind "$root" "$root"
      mount -t proc proc "$root/proc"
      mount -t sysfs sysfs "$root/sys"
      mount --rbind /dev "$root/dev"
      mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
      cache_env=()
      if [[ -n "$compiler_cache" ]]; then
        mkdir -p "$root/var/cache/ccache"
        mount --bind "$compiler_cache" "$root/var/cache/ccache"
        cache_env=(CCACHE_DIR=/var/cache/ccache)
      fi
      exec chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
        DEBIAN_FRONTEND=noninteractive "${cache_env[@]}" "$@"' \
    in_root "$mode" "$root" "$compiler_cache_dir" "$@" &
  runner=$!
  local status=0
  wait "$runner" || status=$?
  runner=
  return "$status"
}

# keep_root NAME KEY: the root as it is now becomes the cached root
# RELEASE-NAME-KEY.tar.zst of $cache_dir, replacing older ones of that name.
keep_root() {
  local name=$1 key=$2
  [[ -n "$cache_dir" ]] || return 0
  mkdir -p "$cache_dir"
  tar -c --numeric-owner -C "$root" . | zstd -q -T0 -3 -o "$work/cache.tar.zst"
  rm -f "$cache_dir/$release-$name"-*.tar.zst
  mv "$work/cache.tar.zst" "$cache_dir/$release-$name-$key.tar.zst"
  echo "== $release: root kept as $cache_dir/$release-$name-$key.tar.zst"
}

# Every root also holds ccache, so that its builds use the release's store.
root_tools=(ccache)

# make_root NAME VARIANT SETUP KEY-TEXT: the root from the cache (NAME, keyed
# by the release, the mirror and KEY-TEXT), or else a fresh one of mmdebstrap's
# VARIANT on which the function SETUP then runs, kept in the cache. Either
# way it is then brought up to the mirror's current packages, so that a
# cached root never hides a library change; the time that takes is printed.
# The cache is renewed when the upgrade changed anything.
make_root() {
  local name=$1 variant=$2 setup=$3 key start
  key=$( { echo "$release $url $variant"; echo "$4"; } | sha256sum | cut -c1-16)
  local cache=${cache_dir:+$cache_dir/$release-$name-$key.tar.zst}
  mkdir -p "$root"
  start=$SECONDS
  if [[ -n "$cache" && -r "$cache" ]]; then
    echo "== $release: root from $cache"
    zstd -dc "$cache" | tar -x --numeric-owner -C "$root"
    echo "== $release: root unpacked in $((SECONDS - start)) s"
  else
    echo "== $release: building a minimal root ($variant) from $url"
    # Testing's index may carry a Valid-Until that has passed; only this root is told to ignore it.
    mmdebstrap --mode=root --variant="$variant" --aptopt='Acquire::Check-Valid-Until "false"' \
      --aptopt='APT::Install-Recommends "false"' \
      --include=ca-certificates "$release" "$root" "deb $url $release main"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    grep -qs '^127\.0\.0\.1' "$root/etc/hosts" || echo '127.0.0.1 localhost' >>"$root/etc/hosts"
    # mmdebstrap leaves the root without package lists.
    in_root apt-get update -qq
    "$setup"
    in_root apt-get install -y -qq --no-install-recommends "${root_tools[@]}" >/dev/null
    in_root apt-get clean
    echo "== $release: root built in $((SECONDS - start)) s"
    keep_root "$name" "$key"
    return 0
  fi
  start=$SECONDS
  local before after
  before=$(chroot "$root" dpkg-query -W -f='${Package} ${Version}\n' | sha256sum)
  in_root apt-get update -qq
  in_root apt-get -y -qq -o Dpkg::Options::=--force-confnew dist-upgrade
  in_root apt-get install -y -qq --no-install-recommends "${root_tools[@]}" >/dev/null
  in_root apt-get clean
  after=$(chroot "$root" dpkg-query -W -f='${Package} ${Version}\n' | sha256sum)
  if [[ "$before" == "$after" ]]; then
    echo "== $release: root brought up to the mirror in $((SECONDS - start)) s (already current)"
  else
    echo "== $release: root brought up to the mirror in $((SECONDS - start)) s (packages changed)"
    keep_root "$name" "$key"
  fi
}

# copy_tree TREE DEST: the git-tracked files of TREE, as they are on disk.
copy_tree() {
  mkdir -p "$2"
  git -C "$1" ls-files -z --cached | (cd "$1" && tar -c --null --ignore-failed-read -T - 2>/dev/null) | tar -x -C "$2"
}
