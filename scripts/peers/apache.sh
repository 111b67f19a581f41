# Apache httpd with WebDAV and Digest authentication on 127.0.0.1:80: the real
# peer of the HTTPMail check's Digest tests. Sourced by scripts/test.sh; keeps
# its own configuration, documents, locks and logs under $TOVIX_STATE/apache.

peer_apache_start() {
  local dir="$TOVIX_STATE/apache" modules=/usr/lib/apache2/modules
  export TOVIX_DIGEST_HOST=127.0.0.1
  export TOVIX_DIGEST_PATH=/dav/
  export TOVIX_DIGEST_USER=tovixuser
  export TOVIX_DIGEST_PASSWORD='Circle Of Tovix'
  export TOVIX_DIGEST_REALM=tovix
  # Debian's package may have started its system-wide server on port 80.
  if [ -s /var/run/apache2/apache2.pid ]; then
    apache2ctl stop >/dev/null 2>&1 || service apache2 stop >/dev/null 2>&1 || true
  fi
  peer_apache_stop
  mkdir -p "$dir/docs/dav" "$dir/lock" "$dir/run"
  printf 'hello\n' >"$dir/docs/dav/note.txt"
  # htdigest format: user:realm:MD5(user:realm:password)
  local ha1
  ha1="$(printf '%s:%s:%s' "$TOVIX_DIGEST_USER" "$TOVIX_DIGEST_REALM" \
    "$TOVIX_DIGEST_PASSWORD" | md5sum | cut -d' ' -f1)"
  printf '%s:%s:%s\n' "$TOVIX_DIGEST_USER" "$TOVIX_DIGEST_REALM" "$ha1" >"$dir/htdigest"
  cat >"$dir/httpd.conf" <<CONF
ServerRoot "$dir"
ServerName 127.0.0.1
Listen 127.0.0.1:80
PidFile "$dir/run/httpd.pid"
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
<Location "$TOVIX_DIGEST_PATH">
  Dav On
  AuthType Digest
  AuthName "$TOVIX_DIGEST_REALM"
  AuthDigestProvider file
  AuthUserFile "$dir/htdigest"
  Require valid-user
</Location>
CONF
  chown -R www-data:www-data "$dir/docs" "$dir/lock"
  /usr/sbin/apache2 -d "$dir" -f "$dir/httpd.conf" -k start
  local _
  for _ in $(seq 100); do
    if [ -s "$dir/run/httpd.pid" ] && (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null; then
      return 0
    fi
    sleep 0.1
  done
  echo "apache did not start; see $dir/error.log" >&2
  return 1
}

peer_apache_stop() {
  local dir="$TOVIX_STATE/apache" pid _
  [ -s "$dir/run/httpd.pid" ] || return 0
  pid="$(cat "$dir/run/httpd.pid")"
  /usr/sbin/apache2 -d "$dir" -f "$dir/httpd.conf" -k stop >/dev/null 2>&1 || kill "$pid" 2>/dev/null
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$dir/run/httpd.pid"
}
