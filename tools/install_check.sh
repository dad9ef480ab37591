#!/usr/bin/env bash
# Installs dist/quelt_<version>_amd64.deb into a fresh Debian 12 root made with
# mmdebstrap, with nothing but Debian's registry, and checks it as a user would:
# with no path set anywhere, Ardour's VST scanner finds /usr/lib/vst/Quelt.so on
# Ardour's own search path, lv2ls lists urn:quelt:gate, quelt-render renders the
# demo from another directory; then `apt remove quelt` leaves nothing of it.
# Needs root (mmdebstrap, chroot and bind mounts).
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls dist/quelt_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "no package in dist/: run tools/run.sh package first" >&2; exit 2; }
start=$SECONDS
root=$(mktemp -d /var/tmp/quelt-install-check.XXXXXX)
mounts=()
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" 2>/dev/null || true; done
  rm -rf "$root"
}
trap cleanup EXIT

echo "--- a fresh Debian 12 root"
mmdebstrap --quiet --variant=apt bookworm "$root"
for m in proc sys dev dev/pts; do
  mount --bind "/$m" "$root/$m"
  mounts+=("$root/$m")
done
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DEBIAN_FRONTEND=noninteractive bash -c "$1"; }

echo "--- apt install ./$(basename "$deb")"
in_root "apt-get update -qq && apt-get install -y -qq ./tmp/$(basename "$deb") >/dev/null"
in_root "dpkg -L quelt" >"$root/tmp/installed"
echo "installed $(grep -c . "$root/tmp/installed") paths, $(($(in_root "dpkg-query -W -f='\${Installed-Size}' quelt"))) KiB"

echo "--- the tools a user checks with: Ardour, lilv"
in_root "apt-get install -y -qq --no-install-recommends ardour lilv-utils >/dev/null"

echo "--- Ardour's VST scanner, on Ardour's own search path"
in_root "cat >/tmp/path.lua <<'EOF'
print ('path ' .. ARDOUR.config ():get_plugin_path_lxvst ())
EOF
path=\$(ardour7-lua /tmp/path.lua 2>/dev/null | sed -n 's/^path //p')
echo \"Ardour looks for Linux VST plug-ins in \$path\"
found=''
for dir in \${path//:/ }; do
  for plugin in \"\$dir\"/*.so; do
    [ -f \"\$plugin\" ] || continue
    LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst-scanner -f \"\$plugin\" 2>&1 | grep -q \"Found Plugin: .* Quelt\$\" && found=\$plugin
  done
done
[ \"\$found\" = /usr/lib/vst/Quelt.so ] || { echo 'Ardour did not find /usr/lib/vst/Quelt.so'; exit 1; }
echo \"Ardour's scanner found Quelt in \$found\""

echo "--- lv2ls"
in_root "lv2ls | grep -x urn:quelt:gate"

echo "--- quelt-render from another directory"
in_root "mkdir -p /tmp/elsewhere && cd /tmp/elsewhere && quelt-render --seconds 2 | tail -n 2 && test -s quelt-demo.wav"

echo "--- apt remove quelt"
in_root "apt-get remove -y -qq quelt >/dev/null"
left=""
while read -r path; do
  [ -f "$root$path" ] && left+=" $path"
done <"$root/tmp/installed"
[ -z "$left" ] || { echo "left behind:$left"; exit 1; }
in_root "! dpkg -l quelt 2>/dev/null | grep -q '^ii'"
echo "nothing of it is left"
echo "install check passed in $((SECONDS - start)) s"
