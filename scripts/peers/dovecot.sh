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

  cat >"$DOVECOT_PEER_CONF" <<CONF
base_dir = $dir/run
state_dir = $dir/state
instance_name = tovix-dovecot-$$
protocols = pop3
listen = 127.0.0.1
login_greeting = $greeting
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
auth_failure_delay = 0
log_path = $dir/dovecot.log
first_valid_uid = 1
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/users
}
userdb {
  driver = static
  args = uid=mail gid=mail home=$dir/home/%u
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    port = 0
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

  /usr/sbin/dovecot -F -c "$DOVECOT_PEER_CONF" >>"$dir/dovecot.log" 2>&1 &
  DOVECOT_PEER_PID=$!
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
  if [ -n "${DOVECOT_PEER_PID:-}" ]; then
    kill "$DOVECOT_PEER_PID" 2>/dev/null || true
    wait "$DOVECOT_PEER_PID" 2>/dev/null || true
  fi
  DOVECOT_PEER_PID=""
  unset TOVIX_POP3_HOST TOVIX_POP3_PORT TOVIX_POP3_GREETING TOVIX_POP3_USER \
    TOVIX_POP3_PASSWORD TOVIX_POP3_MESSAGES
}
