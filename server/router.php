<?php
// Router for PHP's built-in web server (php -S ... -t server server/router.php): it serves the
// game's scripts and answers 404 to everything else, so the settings, code and database
// under private/ are never handed out.

$path = parse_url($_SERVER['REQUEST_URI'] ?? '', PHP_URL_PATH);
if (in_array($path, ['/tavrik/checkversion.php', '/tavrik/submit.php', '/tavrik/get.php', '/tavrik/replay.php'], true)) {
    return false;
}
http_response_code(404);
header_remove('X-Powered-By');
header('Content-Type: text/plain; charset=ISO-8859-1');
echo "[ERROR] not found\n";
