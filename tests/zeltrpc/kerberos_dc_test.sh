#!/usr/bin/env bash
# Kerberos through a real KDC: a throw-away Samba Active Directory domain
# controller provisioned into a temporary folder (SMB, KDC and kpasswd on
# free loopback ports, nothing else), signsim --samba-pipe behind its smbd,
# a domain user with a ticket from kinit in a temporary KRB5CCNAME. Then
# zeltctl (libZeltRpc):
#   - with the ticket and no credentials file reaches the pipe (and the ticket
#     cache then holds the cifs/ service ticket it used);
#   - with no ticket falls back to the credentials file, else to an anonymous
#     session, which the DC refuses (5);
#   - with an expired ticket and no file is refused (5), not hung;
#   - no password reaches any output or any file but the two written here.
# Nothing outside the folder changes: the DC runs in a private mount
# namespace with the folder's run/ over /run/samba (its smbd finds winbindd
# only there), the client's smb.conf and caches live in the folder, and its
# host name resolves through nss_wrapper.
#
# usage: kerberos_dc_test.sh SIGNSIM ZELTCTL NSS_WRAPPER
# Exit status 77 (skipped) where a DC cannot run here, saying why.
set -uo pipefail
signsim=$1 zeltctl=$2 nss_wrapper=$3

skip() {
  echo "SKIP: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || skip "the domain controller must be started as root"
for p in samba samba-tool kinit klist unshare python3; do
  command -v "$p" > /dev/null || PATH=$PATH:/usr/sbin command -v "$p" > /dev/null ||
    skip "no $p (packages samba, samba-ad-provision, winbind, krb5-user)"
done
PATH=$PATH:/usr/sbin
[ -r "$nss_wrapper" ] || skip "no $nss_wrapper (package libnss-wrapper)"

base=$(mktemp -d /tmp/zeltrpc-kdc-XXXXXX)
samba_pid='' signsim_pid='' failures=0
cleanup() {
  [ -n "$signsim_pid" ] && kill "$signsim_pid" 2> /dev/null && wait "$signsim_pid" 2> /dev/null
  if [ -n "$samba_pid" ]; then
    kill -TERM "$samba_pid" 2> /dev/null
    for _ in $(seq 100); do kill -0 "$samba_pid" 2> /dev/null || break; sleep 0.1; done
    kill -KILL -- "-$samba_pid" 2> /dev/null
    wait "$samba_pid" 2> /dev/null
  fi
  rm -rf "$base"
}
trap cleanup EXIT
check() { # WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    echo "ok: $1: $3"
  else
    echo "FAILED: $1: expected \"$2\", got \"$3\""
    failures=$((failures + 1))
  fi
}
now() { date +%s.%N; }
since() { python3 -c "import sys; print('%.2f s' % (float(sys.argv[2]) - float(sys.argv[1])))" "$1" "$(now)"; }
free_ports() {
  python3 -c '
import socket
s = [socket.socket() for _ in range(3)]
for x in s: x.bind(("127.0.0.1", 0))
print(" ".join(str(x.getsockname()[1]) for x in s))'
}

read -r smb_port krb_port kpasswd_port < <(free_ports)
realm=ZTEST.TEST host=zdc.ztest.test user=zop
password='Kp-5e3b!harbour'
mkdir -p "$base"/{run,pid,ncalrpc,log,ntp,home/.smb,client}
printf '%s\n' "$password" > "$base/password"
chmod 600 "$base/password"

t=$(now)
samba-tool domain provision --targetdir="$base" --realm=$realm --domain=ZTEST --server-role=dc \
  --dns-backend=NONE --host-name=zdc --host-ip=127.0.0.1 --adminpass='Adm-4c2d!Strong1' \
  --option="interfaces = lo" --option="bind interfaces only = yes" \
  --option="smb ports = $smb_port" --option="krb5 port = $krb_port" \
  --option="kpasswd port = $kpasswd_port" --option="disable netbios = yes" \
  --option="server services = s3fs, kdc, winbindd" --option="restrict anonymous = 2" \
  --option="pid directory = $base/pid" --option="ncalrpc dir = $base/ncalrpc" \
  --option="log file = $base/log/log.%m" --option="ntp signd socket directory = $base/ntp" \
  > "$base/provision.log" 2>&1 || {
  tail -20 "$base/provision.log"
  skip "samba-tool domain provision failed (see above)"
}
# Not kept when given to provision: no on-demand RPC helpers (they would log
# to /var/log/samba), no printing.
sed -i 's|^\[global\]|[global]\n\trpc start on demand helpers = no\n\tload printers = no\n\tprinting = bsd\n\tprintcap name = /dev/null\n\tdisable spoolss = yes|' \
  "$base/etc/smb.conf"
mkdir -m 0700 "$base/ncalrpc/np"
samba-tool user create $user "$password" -s "$base/etc/smb.conf" > "$base/user.log" 2>&1 &&
  samba-tool user setexpiry $user --noexpiry -s "$base/etc/smb.conf" >> "$base/user.log" 2>&1 ||
  {
    cat "$base/user.log"
    skip "samba-tool user create failed"
  }
echo "time: provisioning and the user $(since "$t")"

t=$(now)
setsid unshare --mount --propagation private sh -c \
  "mount --bind '$base/run' /run/samba && exec samba -M single -F -s '$base/etc/smb.conf' --debug-stdout -d1" \
  > "$base/samba.out" 2>&1 &
samba_pid=$!
for _ in $(seq 300); do
  python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', int(sys.argv[1])), 1)" \
    "$smb_port" 2> /dev/null && break
  kill -0 $samba_pid 2> /dev/null || break
  sleep 0.1
done
kill -0 $samba_pid 2> /dev/null || {
  cat "$base/samba.out"
  skip "the domain controller did not start"
}
echo "time: DC start $(since "$t")"

"$signsim" --samba-pipe "$base/ncalrpc" > "$base/signsim.out" 2>&1 &
signsim_pid=$!
for _ in $(seq 100); do [ -S "$base/ncalrpc/np/zeltrpc" ] && break; sleep 0.05; done

cat > "$base/krb5.conf" << EOF
[libdefaults]
  default_realm = $realm
  dns_lookup_kdc = false
  dns_lookup_realm = false
  rdns = false
[realms]
  $realm = {
    kdc = 127.0.0.1:$krb_port
  }
[domain_realm]
  $host = $realm
EOF
echo "127.0.0.1 $host zdc" > "$base/hosts"
cat > "$base/home/.smb/smb.conf" << EOF
[global]
  workgroup = ZTEST
  realm = $realm
  lock directory = $base/client
  cache directory = $base/client
  state directory = $base/client
  private dir = $base/client
  ncalrpc dir = $base/client
EOF
export KRB5_CONFIG=$base/krb5.conf HOME=$base/home XDG_CONFIG_HOME=$base/no-config
export ZELTRPC_SMB_PORT=$smb_port ZELTRPC_TIMEOUT_MS=5000
printf 'username = %s\npassword = %s\ndomain = ZTEST\n' $user "$password" > "$base/auth"
chmod 600 "$base/auth"

# zeltctl ping as the client computer sees the DC: by its name.
ping_dc() { # CACHE AUTH_FILE
  KRB5CCNAME=$1 ZELTRPC_AUTH_FILE=$2 LD_PRELOAD=$nss_wrapper NSS_WRAPPER_HOSTS=$base/hosts \
    "$zeltctl" --server $host ping 2>> "$base/zeltctl.err"
}

t=$(now)
KRB5CCNAME=FILE:$base/ccache kinit $user@$realm < "$base/password" > "$base/kinit.out" 2>&1
check "kinit" 0 $?
echo "time: kinit $(since "$t")"

t=$(now)
check "ticket, no credentials file" "status=0 ERROR_SUCCESS" "$(ping_dc "FILE:$base/ccache" '')"
echo "time: ping with the ticket $(since "$t")"
service_tickets=$(KRB5CCNAME=FILE:$base/ccache klist | grep -c "cifs/$host@$realm")
check "the cifs/ service ticket was used" 1 "$service_tickets"
check "the service saw the call" 2 "$(grep -c 'Ping() -> 0' "$base/signsim.out")"

check "no ticket, credentials file" "status=0 ERROR_SUCCESS" "$(ping_dc "FILE:$base/none" "$base/auth")"
check "no ticket, no file: anonymous, refused" "status=5 ERROR_ACCESS_DENIED" \
  "$(ping_dc "FILE:$base/none" '')"

KRB5CCNAME=FILE:$base/short kinit -l 3s $user@$realm < "$base/password" > /dev/null 2>&1
sleep 4
t=$(now)
check "expired ticket, no file" "status=5 ERROR_ACCESS_DENIED" "$(ping_dc "FILE:$base/short" '')"
echo "time: refused with the expired ticket $(since "$t")"
# With a cache present the library uses Kerberos only (the credentials file
# is for computers without a ticket cache).
echo "note: expired ticket with a credentials file: $(ping_dc "FILE:$base/short" "$base/auth")"

leaks=$(grep -rlF -- "$password" "$base" | grep -v -e "^$base/password$" -e "^$base/auth$")
check "files holding the password, besides the two written here" "" "$leaks"

t=$(now)
kill "$signsim_pid"
wait "$signsim_pid" 2> /dev/null
signsim_pid=''
kill -TERM $samba_pid
for _ in $(seq 100); do kill -0 $samba_pid 2> /dev/null || break; sleep 0.1; done
kill -0 $samba_pid 2> /dev/null && echo "note: the DC needed SIGKILL"
kill -KILL -- "-$samba_pid" 2> /dev/null
wait $samba_pid 2> /dev/null
samba_pid=''
echo "time: DC stop $(since "$t")"
check "no process of the DC left" "" "$(pgrep -f -- "$base/etc/smb.conf")"

[ $failures = 0 ] || {
  echo "== samba.out"
  tail -40 "$base/samba.out"
  echo "== signsim.out"
  cat "$base/signsim.out"
  echo "== zeltctl.err"
  cat "$base/zeltctl.err"
  exit 1
}
echo "all passed"
