#!/usr/bin/env bash
# Builds the highscore server's package, installs it as a host would (Debian 12, as root, on a
# machine where nothing else listens on port 80) and checks that it answers through nginx and
# PHP-FPM on loopback: the version check, a submission, the top list and a replay upload. Meant for a fresh
# machine or root (it enables the site and starts both services); not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 2; }
scripts/package-server.sh >/dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends ./build/packages/tavrik-server_*_all.deb

rm -f /etc/nginx/sites-enabled/default
ln -sf /etc/nginx/sites-available/tavrik-server /etc/nginx/sites-enabled/tavrik-server
tavrik-server-admin init
test "$(stat -c %U /var/lib/tavrik-server/scores.sqlite)" = tavrik-server
test "$(stat -c %a /etc/tavrik-server/config.php)" = 640
# Started by hand: a fresh root runs no init system. Stopped again at the end, since a root
# shares the machine's network.
service php8.2-fpm start || /usr/sbin/php-fpm8.2 --daemonize
service nginx start || nginx
trap 'nginx -s stop || true; kill "$(cat /run/php/php8.2-fpm.pid)" || true' EXIT
for _ in $(seq 50); do [ -S /run/php/tavrik-server.sock ] && break; sleep 0.1; done

fetch() { php -r 'echo @file_get_contents("http://127.0.0.1" . $argv[1]), "\n";' "$1"; }
version=$(php -r 'echo md5("Tavrik 0.91");')
sum=$(php -r 'echo md5("Fresh1234" . "07 Dec 2026/14:03:59" . "Tavrik 0.91");')
answer=$(fetch "/tavrik/checkversion.php?version=$version")
echo "version check: $answer"; [ "$answer" = "[true]" ]
answer=$(fetch "/tavrik/submit.php?name=Fresh&points=1234&time=07%20Dec%202026/14:03:59&md5sum=$sum")
echo "submission: $answer"; [ "$answer" = "[OK]" ]
# Stored, but not listed until its replay is verified.
answer=$(fetch "/tavrik/get.php?limit=10")
echo "top list: $answer"; [ "$answer" = "[start][end]" ]
tavrik-server-admin list | grep -q " Fresh .* pending$"
# A replay for a score the server never got is refused for good, through nginx and PHP-FPM.
answer=$(php -r '$c = stream_context_create(["http" => ["method" => "POST", "ignore_errors" => true,
  "header" => "Content-Type: application/octet-stream", "content" => "TAVRIKRP"]]);
  echo @file_get_contents("http://127.0.0.1" . $argv[1], false, $c), "\n";' \
  "/tavrik/replay.php?name=Fresh&points=99&time=07%20Dec%202026/14:03:59&md5sum=$(php -r 'echo md5("Fresh99" . "07 Dec 2026/14:03:59" . "Tavrik 0.91");')&key=0123456789abcdef0123456789abcdef")
echo "replay: $answer"; [[ "$answer" == "[REFUSED] "* ]]
test -f /lib/systemd/system/tavrik-server-verify.timer
answer=$(fetch "/private/config.php")
echo "settings over the web: ${answer:-nothing}"; ! grep -q sqlite_path <<<"$answer"
tavrik-server-admin list
echo "the package answers through nginx"
