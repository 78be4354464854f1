<?php
declare(strict_types=1);
// Shared start of the three game scripts: loads the classes, keeps PHP's own messages out of the
// replies (they could carry request text), and refuses requests the game never sends.

require_once __DIR__ . '/ServerConfig.php';
require_once __DIR__ . '/TextReply.php';
require_once __DIR__ . '/Submission.php';
require_once __DIR__ . '/ScoreStore.php';

/** Longest query accepted; the game's longest, a 255-byte name fully percent-encoded, is under 1000. */
const MAX_QUERY_BYTES = 1536;

ini_set('display_errors', '0');
ini_set('log_errors', '1');
set_exception_handler(function (Throwable $e): void {
    // A database without its tables gets a plain answer, and the host a hint in the log.
    if ($e instanceof MissingSchema || ($e instanceof PDOException && ScoreStore::IsMissingTable($e))) {
        error_log('tavrik highscore: no tables in the database; run: php server/admin.php init');
        TextReply::Refuse('database not initialised', 503);
    }
    error_log('tavrik highscore: ' . $e->getMessage());
    TextReply::Refuse('server failure', 500);
});

/** The address of the client, as the web server reports it. */
function ClientAddress(): string
{
    return (string) ($_SERVER['REMOTE_ADDR'] ?? '');
}

$method = $_SERVER['REQUEST_METHOD'] ?? 'GET';
if ($method !== 'GET' && $method !== 'HEAD') {
    TextReply::Refuse('GET only', 405);
}
if (strlen($_SERVER['QUERY_STRING'] ?? '') > MAX_QUERY_BYTES) {
    TextReply::Refuse('request too long', 414);
}
