# Apache httpd with WebDAV and Digest authentication: the real peer of the
# HTTPMail check's Digest tests. Our own instance on 127.0.0.1 at a free port
# chosen at start (TOVIX_DIGEST_PORT may name one), run in the foreground
# with its own configuration, documents, locks, pid file and logs under
# $TOVIX_STATE/apache; an Apache of the machine is left alone. A file holding
# a token unique to this run tells our server from any other.
# Sourced by scripts/test.sh. Exports TOVIX_DIGEST_HOST ("127.0.0.1:PORT"),
# TOVIX_DIGEST_PORT, TOVIX_DIGEST_PATH, TOVIX_DIGEST_USER,
# TOVIX_DIGEST_PASSWORD and TOVIX_DIGEST_REALM.

peer_apache_start() {
  local dir="${TOVIX_STATE:?TOVIX_STATE must name a folder}/apache" modules=/usr/lib/apache2/modules
  local port="${TOVIX_DIGEST_PORT:-}" token
  local path=/dav/ user=tovixuser password='Circle Of Tovix' realm=tovix
  APACHE_PEER_CONF="$dir/httpd.conf"

  peer_apache_stop
  tovix_peer_claim apache "$dir/run/httpd.pid" "$APACHE_PEER_CONF" "$port" || return 1
  port="$TOVIX_PEER_PORT"
  token="tovix-apache-$(tovix_token)"

  rm -rf "$dir"
  mkdir -p "$dir/docs/dav" "$dir/lock" "$dir/run"
  printf 'hello\n' >"$dir/docs/dav/note.txt"
  printf '%s\n' "$token" >"$dir/docs/peer-token.txt"
  # htdigest format: user:realm:MD5(user:realm:password)
  local ha1
  ha1="$(printf '%s:%s:%s' "$user" "$realm" "$password" | md5sum | cut -d' ' -f1)"
  printf '%s:%s:%s\n' "$user" "$realm" "$ha1" >"$dir/htdigest"
  cat >"$APACHE_PEER_CONF" <<CONF
ServerRoot "$dir"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile "$dir/run/httpd.pid"
DefaultRuntimeDir "$dir/run"
Mutex file:$dir/run default
ErrorLog "$dir/error.log"
LogLevel warn
User www-data
Group www-data
LoadModule mpm_event_module $modules/mod_mpm_event.so
LoadModule authn_core_module $modules/mod_authn_core.so
LoadModule authn_file_module $modules/mod_authn_file.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule authz_user_module $modules/mod_authz_user.so
LoadModule auth_digest_module $modules/mod_auth_digest.so
LoadModule dav_module $modules/mod_dav.so
LoadModule dav_fs_module $modules/mod_dav_fs.so
DocumentRoot "$dir/docs"
DavLockDB "$dir/lock/DavLock"
<Directory "$dir/docs">
  Require all granted
</Directory>
<Location "$path">
  Dav On
  AuthType Digest
  AuthName "$realm"
  AuthDigestProvider file
  AuthUserFile "$dir/htdigest"
  Require valid-user
</Location>
CONF
  chown -R www-data:www-data "$dir/docs" "$dir/lock"
  /usr/sbin/apache2 -d "$dir" -f "$APACHE_PEER_CONF" -DFOREGROUND >>"$dir/error.log" 2>&1 &
  APACHE_PEER_PID=$!
  APACHE_PEER_PORT="$port"

  # Ready when our token comes back; another answer means another server.
  tovix_wait 20 peer_apache_answered || true
  local answer
  answer="$(peer_apache_token)"
  if [ "$answer" != "$token" ]; then
    if [ -n "$answer" ]; then
      echo "apache peer: 127.0.0.1:$port answers, but not as our Apache" >&2
    else
      echo "apache peer: did not start on 127.0.0.1:$port; log:" >&2
    fi
    tail -5 "$dir/error.log" >&2
    peer_apache_stop
    return 1
  fi
  export TOVIX_DIGEST_HOST="127.0.0.1:$port" TOVIX_DIGEST_PORT="$port" TOVIX_DIGEST_PATH="$path"
  export TOVIX_DIGEST_USER="$user" TOVIX_DIGEST_PASSWORD="$password" TOVIX_DIGEST_REALM="$realm"
}

# The body of our token file as the server at our port serves it.
peer_apache_token() {
  timeout 2 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1" &&
    printf "GET /peer-token.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n" >&3 && cat <&3' _ \
    "$APACHE_PEER_PORT" 2>/dev/null | tr -d '\r' | sed '1,/^$/d'
}
peer_apache_answered() {
  kill -0 "$APACHE_PEER_PID" 2>/dev/null || return 0  # exited: stop waiting
  [ -n "$(peer_apache_token)" ]
}

peer_apache_stop() {
  if [ -n "${APACHE_PEER_PID:-}" ]; then
    kill "$APACHE_PEER_PID" 2>/dev/null || true
    wait "$APACHE_PEER_PID" 2>/dev/null || true
  fi
  APACHE_PEER_PID=""
  unset TOVIX_DIGEST_HOST TOVIX_DIGEST_PORT TOVIX_DIGEST_PATH TOVIX_DIGEST_USER \
    TOVIX_DIGEST_PASSWORD TOVIX_DIGEST_REALM
}
