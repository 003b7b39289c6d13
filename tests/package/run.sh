#!/usr/bin/env bash
# The .deb installed and serving: builds the package (cpack, native build), then, in a mount
# namespace of its own, lays a copy-on-write root over the host's (overlayfs), installs the
# package there with dpkg and serves the sample through lighttpd from the installed files
# alone: the gateway in /usr/lib/cgi-bin, the registry and allow-list in /etc/quillmate.
# Nothing reaches the host's own file system. Needs root (mounts, chroot).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

[ "$(id -u)" -eq 0 ] || { echo "the package test needs root: it mounts and chroots" >&2; exit 1; }
(cd build/native && cpack >cpack.log 2>&1) || { tail -20 build/native/cpack.log >&2; exit 1; }
deb=$(ls "$root"/build/native/packages/quillmate_*_amd64.deb)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/upper" "$scratch/work" "$scratch/root"
# The namespace's mounts go with its last process, whatever way the test ends.
unshare --mount --propagation private bash -euo pipefail -c '
    scratch=$1 root=$2 deb=$3
    mount -t overlay overlay -o "lowerdir=/,upperdir=$scratch/upper,workdir=$scratch/work" "$scratch/root"
    mount -t proc proc "$scratch/root/proc"
    mount --rbind /dev "$scratch/root/dev"
    chroot "$scratch/root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin bash "$root/tests/package/installed.sh" "$root" "$deb"
' quillmate-package-test "$scratch" "$root" "$deb"
