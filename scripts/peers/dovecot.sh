# A real POP3 server for the mail-check tests: Dovecot on 127.0.0.1:110 only,
# with its own configuration, run folder, log and mailbox under
# $TOVIX_STATE/dovecot. Plain-text login, no TLS; one test account whose
# Maildir holds a known number of messages, laid anew at every start. The
# mail processes run as the system user "mail" (Dovecot refuses root).
# Sourced by scripts/test.sh (see README.md beside this file).

peer_dovecot_start() {
  local dir="${TOVIX_STATE:?TOVIX_STATE must name a folder}/dovecot"
  local user=tovixtest password=tovix-pop3-pass messages=3
  DOVECOT_PEER_CONF="$dir/dovecot.conf"

  # A system-wide Dovecot started by the package would hold port 110.
  if [ -s /run/dovecot/master.pid ] && kill -0 "$(cat /run/dovecot/master.pid)" 2>/dev/null; then
    echo "dovecot peer: stopping the system's Dovecot, which holds port 110" >&2
    service dovecot stop >/dev/null 2>&1 || kill "$(cat /run/dovecot/master.pid)" 2>/dev/null || true
    systemctl disable dovecot >/dev/null 2>&1 || update-rc.d dovecot disable >/dev/null 2>&1 || true
  fi

  peer_dovecot_stop
  # Our own instance, left running by an interrupted run.
  local stale
  stale="$(cat "$dir/run/master.pid" 2>/dev/null)" || true
  if [ -n "$stale" ] && kill "$stale" 2>/dev/null; then
    for _ in $(seq 50); do kill -0 "$stale" 2>/dev/null || break; sleep 0.1; done
  fi
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
instance_name = tovix-dovecot
protocols = pop3
listen = 127.0.0.1
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
    port = 110
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
  # Ready when the greeting comes.
  local greeting=""
  for _ in $(seq 100); do
    kill -0 "$DOVECOT_PEER_PID" 2>/dev/null || break
    greeting="$(timeout 2 bash -c 'exec 3<>/dev/tcp/127.0.0.1/110 && head -c 3 <&3' 2>/dev/null)" || true
    [ "$greeting" = "+OK" ] && break
    sleep 0.1
  done
  if [ "$greeting" != "+OK" ]; then
    echo "dovecot peer: did not start on 127.0.0.1:110 (is the port taken?); log:" >&2
    tail -5 "$dir/dovecot.log" >&2
    peer_dovecot_stop
    return 1
  fi
  export TOVIX_POP3_HOST=127.0.0.1 TOVIX_POP3_USER="$user" TOVIX_POP3_PASSWORD="$password"
  export TOVIX_POP3_MESSAGES="$messages"
}

peer_dovecot_stop() {
  if [ -n "${DOVECOT_PEER_PID:-}" ]; then
    kill "$DOVECOT_PEER_PID" 2>/dev/null || true
    wait "$DOVECOT_PEER_PID" 2>/dev/null || true
  fi
  DOVECOT_PEER_PID=""
  unset TOVIX_POP3_HOST TOVIX_POP3_USER TOVIX_POP3_PASSWORD TOVIX_POP3_MESSAGES
}
