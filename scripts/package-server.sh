#!/usr/bin/env bash
# Builds build/packages/tavrik-server_<version>-1_all.deb, the highscore server for hosts: the PHP
# code in /usr/share/tavrik-server (outside any document root), its settings in
# /etc/tavrik-server readable only by its own system user, an nginx site, a PHP-FPM pool running
# as that user, the admin command tavrik-server-admin, and a systemd service and timer that run
# its replay verifier every minute; lintian over the result (any E: tag
# fails the script). Debian 12, as root or with sudo; scripts/package.sh runs it too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

. scripts/deb-common.sh
user=tavrik-server
# Debian 12's PHP; the pool goes where its PHP-FPM reads pools.
php_version=8.2
stage=build/package-server-root
out=build/packages
deb="$out/tavrik-server_${version}-${revision}_all.deb"

rm -rf "$stage"
share="$stage/usr/share/tavrik-server"
install -d "$share/tavrik" "$share/private" "$stage/etc/tavrik-server" "$stage/etc/nginx/sites-available" \
  "$stage/etc/php/$php_version/fpm/pool.d" "$stage/usr/sbin" "$stage/usr/share/doc/tavrik-server" \
  "$stage/lib/systemd/system"
install -m 0644 server/admin.php "$share/"
install -m 0644 server/tavrik/*.php "$share/tavrik/"
for f in server/private/*.php; do
  [ "$(basename "$f")" = config.php ] || install -m 0644 "$f" "$share/private/"
done
# The code reads its settings beside it; they live in /etc.
ln -s /etc/tavrik-server/config.php "$share/private/config.php"
sed "s|__DIR__ . '/data/scores.sqlite'|'/var/lib/tavrik-server/scores.sqlite'|; s|php server/admin.php init|tavrik-server-admin init|" \
  server/private/config.php >"$stage/etc/tavrik-server/config.php"
grep -q "/var/lib/tavrik-server/scores.sqlite" "$stage/etc/tavrik-server/config.php"
# Never world-readable, not even during an upgrade: the group is set by postinst.
chmod 0640 "$stage/etc/tavrik-server/config.php"
install -m 0644 server/deploy/nginx-site.conf "$stage/etc/nginx/sites-available/tavrik-server"
install -m 0644 server/deploy/php-fpm-pool.conf "$stage/etc/php/$php_version/fpm/pool.d/tavrik-server.conf"
install -m 0755 server/deploy/tavrik-server-admin "$stage/usr/sbin/"
install -m 0644 server/deploy/tavrik-server-verify.service server/deploy/tavrik-server-verify.timer \
  "$stage/lib/systemd/system/"

doc="$stage/usr/share/doc/tavrik-server"
gzip -9nc server/README.md >"$doc/README.md.gz"
write_deb_docs "$doc" tavrik-server

mkdir -p "$stage/DEBIAN"
(cd "$stage" && find etc -type f | sed 's|^|/|' | sort) >"$stage/DEBIAN/conffiles"
cat >"$stage/DEBIAN/postinst" <<POSTINST
#!/bin/sh
# Makes the server's system user, its database and log folders, and lets only it read the settings.
set -e
if [ "\$1" = configure ]; then
    if ! getent passwd $user >/dev/null; then
        adduser --system --group --home /var/lib/$user --no-create-home --quiet $user
    fi
    install -d -o $user -g $user -m 0750 /var/lib/$user /var/log/$user
    chown root:$user /etc/tavrik-server /etc/tavrik-server/config.php
    chmod 0750 /etc/tavrik-server
    chmod 0640 /etc/tavrik-server/config.php
    # A running PHP-FPM takes up the new pool; a stopped one reads it when it starts.
    invoke-rc.d php$php_version-fpm reload 2>/dev/null || true
fi
# The verifier runs every minute once the timer is enabled; until init it only says so.
if [ "\$1" = configure ] || [ "\$1" = abort-upgrade ]; then
    deb-systemd-helper unmask tavrik-server-verify.timer >/dev/null || true
    if deb-systemd-helper --quiet was-enabled tavrik-server-verify.timer; then
        deb-systemd-helper enable tavrik-server-verify.timer >/dev/null || true
    else
        deb-systemd-helper update-state tavrik-server-verify.timer >/dev/null || true
    fi
    if [ -d /run/systemd/system ]; then
        systemctl --system daemon-reload >/dev/null || true
        deb-systemd-invoke restart tavrik-server-verify.timer >/dev/null || true
    fi
fi
POSTINST
cat >"$stage/DEBIAN/postrm" <<POSTRM
#!/bin/sh
# Purging removes the logs; the scores in /var/lib/$user and the system user stay.
set -e
if [ "\$1" = purge ]; then
    rm -rf /var/log/$user
fi
if [ -d /run/systemd/system ]; then
    systemctl --system daemon-reload >/dev/null || true
fi
if [ "\$1" = remove ] && command -v deb-systemd-helper >/dev/null; then
    deb-systemd-helper mask tavrik-server-verify.timer >/dev/null || true
fi
if [ "\$1" = purge ] && command -v deb-systemd-helper >/dev/null; then
    deb-systemd-helper purge tavrik-server-verify.timer >/dev/null || true
    deb-systemd-helper unmask tavrik-server-verify.timer >/dev/null || true
fi
POSTRM
cat >"$stage/DEBIAN/prerm" <<PRERM
#!/bin/sh
# Stops the verifier's timer before the code goes.
set -e
if [ -d /run/systemd/system ] && [ "\$1" = remove ]; then
    deb-systemd-invoke stop tavrik-server-verify.timer tavrik-server-verify.service >/dev/null || true
fi
PRERM
chmod 0755 "$stage/DEBIAN/postinst" "$stage/DEBIAN/postrm" "$stage/DEBIAN/prerm"
(cd "$stage" && find usr lib -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
cat >"$stage/DEBIAN/control" <<CONTROL
Package: tavrik-server
Version: $version-$revision
Architecture: all
Maintainer: $maintainer
Installed-Size: $size
Depends: adduser, php-cli, php$php_version-fpm, php-sqlite3, nginx
Recommends: tavrik
Suggests: php-pgsql, php-mysql, postgresql, mariadb-server
Section: web
Priority: optional
Description: online highscore server for the Tavrik space shooter
 The web service the game Tavrik talks to when its online highscore is on: it
 answers the game's version check, stores the scores players send and hands out
 the top list. It runs under nginx and PHP-FPM as its own system user, keeps the
 scores in SQLite out of the box (PostgreSQL or MariaDB by one setting), limits
 the requests of each client and comes with tavrik-server-admin to list, delete
 and ban scores. A score is listed once the game itself (package tavrik) has
 played its uploaded replay again and got the same points: a systemd timer runs
 the verifier every minute.
CONTROL
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums" "$stage/DEBIAN/conffiles"

mkdir -p "$out"
rm -f "$deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "wrote $deb"

check_with_lintian "$deb"
