#!/usr/bin/env bash
# The Debian package as a clean machine gets it: built by CPack from this build tree, unpacked into
# a scratch root (dpkg -x, no database, nothing of the build tree on the way), and s7host run from
# there finds its module beside itself. Arguments: the build directory.
set -euo pipefail
build="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/s7host-package-XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
package="$(ls "$work"/out/s7host_*.deb)"
dpkg-deb -f "$package" Depends | grep -q libcurl || fail "Depends lacks the libraries the module needs: $(dpkg-deb -f "$package" Depends)"
dpkg-deb --ctrl-tarfile "$package" | tar -xO ./conffiles | grep -qx /etc/s7host/serve.yml || fail "serve.yml is no conffile"

root="$work/root"
dpkg -x "$package" "$root"
for file in usr/bin/s7host usr/lib/s7host/libs7module.so lib/systemd/system/s7host.service etc/s7host/serve.yml; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done
ls "$root"/usr/share/man/man1/s7host.1* >/dev/null 2>&1 || fail "the package lacks the manual"

version="$("$root/usr/bin/s7host" --version)" || fail "s7host --version from the package: $version"
echo "$version" | grep -q "^module .*, $root/usr/lib/s7host/libs7module.so$" ||
  fail "s7host did not take the module installed beside it: $version"
help="$("$root/usr/bin/s7host" serve --help)" || fail "serve --help from the package"
echo "$help" | grep -q -- "--listen ADDRESS:PORT" || fail "serve --help: $help"
grep -q "^ExecStart=/usr/bin/s7host serve --config /etc/s7host/serve.yml" "$root/lib/systemd/system/s7host.service" ||
  fail "the unit does not start serve with the installed configuration"
# The example configuration is one serve accepts: its profiles name the module's kinds.
"$root/usr/bin/s7host" serve --listen 127.0.0.1:0 --config "$root/etc/s7host/serve.yml" --state-dir "$work/state" >"$work/serve.out" 2>"$work/serve.err" &
serve=$!
for _ in $(seq 50); do [ -s "$work/serve.out" ] && break; sleep 0.1; done
kill -TERM "$serve"
wait "$serve" || fail "serve with the packaged configuration: $(cat "$work/serve.err")"
grep -q "listening on 127.0.0.1:" "$work/serve.out" || fail "serve did not start: $(cat "$work/serve.err")"
echo "package $(basename "$package") installs and runs"
