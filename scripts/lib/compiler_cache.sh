# Sourced by the scripts that configure a build of the tree: ccache in front
# of the compilers when it is installed, so that a build of sources it has
# seen before (CI's next run, a fresh clone elsewhere on this machine) takes
# the objects from its cache. The paths below the tree are hashed relative to
# it, so that a clone in another folder hits the same entries.
#
#   cmake -S . -B build/x "${compiler_cache[@]}" ...
compiler_cache=()
if command -v ccache >/dev/null; then
  compiler_cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
