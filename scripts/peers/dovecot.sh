# A real POP3 server for the mail-check tests: our own Dovecot on 127.0.0.1 at
# a free port chosen at start (TOVIX_POP3_PORT may name one), with its own
# configuration, run folder, log and mailbox under $TOVIX_STATE/dovecot, and a
# greeting unique to this run, so a test can tell it from any other server.
# A Dovecot of the machine is left alone: it keeps its own ports and folders.
# Plain-text login, no TLS; one test account whose Maildir holds a known
# number of messages, laid anew at every start. The mail processes run as the
# system user "mail" (Dovecot refuses root).
# Sourced by scripts/test.sh (see README.md beside this file). Exports
# TOVIX_POP3_HOST, TOVIX_POP3_PORT, TOVIX_POP3_GREETING, TOVIX_POP3_USER,
# TOVIX_POP3_PASSWORD and TOVIX_POP3_MESSAGES.
#
# Beside it run three Dovecot instances with ssl = required over the same
# mailbox, each with a POP3 port (STLS) and a POP3S port, and certificates
# made at every start: "good" for localhost signed by a test CA, "untrusted"
# self-signed for localhost, "wrongname" signed by the test CA for another
# name. The tests add the CA to the Wine prefix's trusted roots and connect
# to localhost (Schannel refuses an address as the server name). Exports
# TOVIX_TLS_HOST, TOVIX_TLS_CA (the CA, PEM), and per instance
# TOVIX_TLS_<NAME>_STLS_PORT, TOVIX_TLS_<NAME>_POP3S_PORT and
# TOVIX_TLS_<NAME>_LOG (its log, where a login shows as "Login:").

peer_dovecot_start() {
  local dir="${TOVIX_STATE:?TOVIX_STATE must name a folder}/dovecot"
  local user=tovixtest password=tovix-pop3-pass messages=3
  local port="${TOVIX_POP3_PORT:-}" greeting
  DOVECOT_PEER_CONF="$dir/dovecot.conf"

  peer_dovecot_stop
  tovix_peer_claim dovecot "$dir/run/master.pid" "$DOVECOT_PEER_CONF" "$port" || return 1
  port="$TOVIX_PEER_PORT"
  greeting="Tovix test POP3 $(tovix_token)"

  rm -rf "$dir"
  mkdir -p "$dir/run" "$dir/state" "$dir/home/$user/Maildir/"{new,cur,tmp}
  local n
  for n in $(seq "$messages"); do
    printf '%s\r\n' "From: sender$n@example.test" "To: $user@example.test" \
      "Subject: Test message $n" "Message-ID: <tovix-$n@example.test>" "" \
      "Body of test message $n." \
      >"$dir/home/$user/Maildir/new/100000000$n.M${n}P1.tovix"
  done
  printf '%s:{PLAIN}%s::::::\n' "$user" "$password" >"$dir/users"
  chown -R mail:mail "$dir/home"
  if ! runuser -u mail -- test -w "$dir/home/$user/Maildir/new"; then
    echo "dovecot peer: user mail cannot reach $dir/home (folder permissions)" >&2
    return 1
  fi

  peer_dovecot_conf "$dir" "tovix-dovecot-$$" "$greeting" "$dir" no "$port" 0 >"$DOVECOT_PEER_CONF"

  /usr/sbin/dovecot -F -c "$DOVECOT_PEER_CONF" >>"$dir/dovecot.log" 2>&1 &
  DOVECOT_PEER_PID=$!
  DOVECOT_PLAIN_PID=$!
  # Ready when our greeting comes; another greeting means another server.
  local line=""
  DOVECOT_PEER_PORT="$port"
  tovix_wait 20 peer_dovecot_answered || true
  line="$(peer_dovecot_greeting_line)"
  if [ "$line" != "+OK $greeting" ]; then
    if [ -n "$line" ]; then
      echo "dovecot peer: 127.0.0.1:$port answers, but not as our Dovecot: '$line'" >&2
    else
      echo "dovecot peer: did not start on 127.0.0.1:$port; log:" >&2
    fi
    tail -5 "$dir/dovecot.log" >&2
    peer_dovecot_stop
    return 1
  fi
  export TOVIX_POP3_HOST=127.0.0.1 TOVIX_POP3_PORT="$port" TOVIX_POP3_GREETING="$greeting"
  export TOVIX_POP3_USER="$user" TOVIX_POP3_PASSWORD="$password" TOVIX_POP3_MESSAGES="$messages"
  peer_dovecot_tls_start "$dir" "$user" || { peer_dovecot_stop; return 1; }
}

# peer_dovecot_conf DIR INSTANCE GREETING MAILROOT CERT POP3_PORT POP3S_PORT:
# one instance's configuration. CERT "no" allows plain-text logins without
# TLS; otherwise it names a certificate (CERT.pem, CERT.key) and TLS is
# required. POP3S_PORT 0 closes the POP3S listener.
peer_dovecot_conf() {
  local dir="$1" instance="$2" greeting="$3" mail="$4" cert="$5" pop3="$6" pop3s="$7"
  local ssl pop3s_listener
  if [ "$cert" = no ]; then
    ssl=$'ssl = no\ndisable_plaintext_auth = no'
    pop3s_listener='    port = 0'
  else
    ssl="ssl = required
ssl_cert = <$cert.pem
ssl_key = <$cert.key
disable_plaintext_auth = yes"
    pop3s_listener="    address = 127.0.0.1
    port = $pop3s
    ssl = yes"
  fi
  cat <<CONF
base_dir = $dir/run
state_dir = $dir/state
instance_name = $instance
protocols = pop3
listen = 127.0.0.1
login_greeting = $greeting
$ssl
auth_mechanisms = plain
auth_failure_delay = 0
log_path = $dir/dovecot.log
first_valid_uid = 1
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $mail/users
}
userdb {
  driver = static
  args = uid=mail gid=mail home=$mail/home/%u
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3
  }
  inet_listener pop3s {
$pop3s_listener
  }
}
# No growing delay after failed logins (the tests refuse on purpose).
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    port = 0
  }
}
CONF
}

# The test CA and the three certificates, made anew at every start.
peer_dovecot_make_certificates() {
  local certs="$1"
  mkdir -p "$certs"
  (
    cd "$certs" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tovix Test CA $(tovix_token)" \
      -keyout ca.key -out ca.pem -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign,cRLSign
    local name san
    for name in good wrongname; do
      san=localhost
      [ "$name" = wrongname ] && san=wrong-name.invalid
      openssl req -newkey rsa:2048 -nodes -subj "/CN=$san" -keyout "$name.key" -out "$name.csr"
      printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
        "$san" >"$name.ext"
      openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
        -extfile "$name.ext" -out "$name.pem"
    done
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
      -addext subjectAltName=DNS:localhost -addext extendedKeyUsage=serverAuth \
      -keyout untrusted.key -out untrusted.pem
  ) >"$certs/openssl.log" 2>&1 || {
    echo "dovecot peer: could not make the test certificates; see $certs/openssl.log" >&2
    return 1
  }
  chmod 644 "$certs"/*.pem "$certs"/*.key
}

# peer_dovecot_tls_start MAILDIR_ROOT USER: the three TLS instances.
peer_dovecot_tls_start() {
  local plain="$1" user="$2" root="$TOVIX_STATE/dovecot-tls" name
  DOVECOT_TLS_PIDS=()
  rm -rf "$root"
  peer_dovecot_make_certificates "$root/certs" || return 1
  for name in good untrusted wrongname; do
    local dir="$root/$name" conf="$root/$name/dovecot.conf" stls pop3s greeting
    tovix_peer_claim "dovecot-$name" "$dir/run/master.pid" "$conf" "" || return 1
    stls="$TOVIX_PEER_PORT"
    tovix_peer_claim "dovecot-$name" "$dir/run/master.pid" "$conf" "" || return 1
    pop3s="$TOVIX_PEER_PORT"
    [ "$stls" != "$pop3s" ] || { echo "dovecot peer: no second free port" >&2; return 1; }
    greeting="Tovix test POP3 TLS $name $(tovix_token)"
    mkdir -p "$dir/run" "$dir/state"
    peer_dovecot_conf "$dir" "tovix-dovecot-$name-$$" "$greeting" "$plain" "$root/certs/$name" "$stls" "$pop3s" \
      >"$conf"
    /usr/sbin/dovecot -F -c "$conf" >>"$dir/dovecot.log" 2>&1 &
    DOVECOT_TLS_PIDS+=($!)
    DOVECOT_PEER_PORT="$stls"
    DOVECOT_PEER_PID="${DOVECOT_TLS_PIDS[-1]}"
    tovix_wait 20 peer_dovecot_answered || true
    if [ "$(peer_dovecot_greeting_line)" != "+OK $greeting" ]; then
      echo "dovecot peer: TLS instance $name did not start on 127.0.0.1:$stls; log:" >&2
      tail -5 "$dir/dovecot.log" >&2
      return 1
    fi
    local upper="${name^^}"
    export "TOVIX_TLS_${upper}_STLS_PORT=$stls" "TOVIX_TLS_${upper}_POP3S_PORT=$pop3s" \
      "TOVIX_TLS_${upper}_LOG=$dir/dovecot.log"
  done
  DOVECOT_PEER_PID="$DOVECOT_PLAIN_PID"
  export TOVIX_TLS_HOST=localhost TOVIX_TLS_CA="$root/certs/ca.pem"
}

# The first line the server at our port sends, without its CR.
peer_dovecot_greeting_line() {
  timeout 2 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1" && head -n 1 <&3' _ "$DOVECOT_PEER_PORT" \
    2>/dev/null | tr -d '\r'
}
peer_dovecot_answered() {
  kill -0 "$DOVECOT_PEER_PID" 2>/dev/null || return 0  # exited: stop waiting
  [ -n "$(peer_dovecot_greeting_line)" ]
}

peer_dovecot_stop() {
  local pid
  for pid in "${DOVECOT_TLS_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  DOVECOT_TLS_PIDS=()
  unset TOVIX_TLS_HOST TOVIX_TLS_CA
  if [ -n "${DOVECOT_PEER_PID:-}" ]; then
    kill "$DOVECOT_PEER_PID" 2>/dev/null || true
    wait "$DOVECOT_PEER_PID" 2>/dev/null || true
  fi
  DOVECOT_PEER_PID=""
  unset TOVIX_POP3_HOST TOVIX_POP3_PORT TOVIX_POP3_GREETING TOVIX_POP3_USER \
    TOVIX_POP3_PASSWORD TOVIX_POP3_MESSAGES
}
