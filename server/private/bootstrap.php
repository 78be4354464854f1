<?php
declare(strict_types=1);
// Shared start of the game's scripts: loads the classes, keeps PHP's own messages out of the
// replies (they could carry request text), and refuses requests the game never sends.

require_once __DIR__ . '/ServerConfig.php';
require_once __DIR__ . '/TextReply.php';
require_once __DIR__ . '/Submission.php';
require_once __DIR__ . '/ScoreStore.php';
require_once __DIR__ . '/ReplayFile.php';
require_once __DIR__ . '/SenderAddress.php';

/** Longest query accepted; the game's longest, a 255-byte name fully percent-encoded, is under 1000. */
const MAX_QUERY_BYTES = 1536;

ini_set('display_errors', '0');
ini_set('log_errors', '1');
set_exception_handler(function (Throwable $e): void {
    // A database without its tables, or with the previous server's, gets a plain answer, and the
    // host a hint in the log.
    if ($e instanceof MissingSchema || ($e instanceof PDOException && ScoreStore::LacksSchema($e))) {
        error_log('tavrik highscore: no tables, or old ones, in the database; run: tavrik-server-admin init (php server/admin.php init)');
        TextReply::Refuse('database not initialised', 503);
    }
    error_log('tavrik highscore: ' . $e->getMessage());
    TextReply::Refuse('server failure', 500);
});

/**
 * The client as the limits and the stored senders know it: its address as the web server reports
 * it, an IPv6 address by its /64 network (see SenderAddress).
 */
function ClientAddress(): string
{
    $address = (string) ($_SERVER['REMOTE_ADDR'] ?? '');
    return SenderAddress::Key($address) ?? $address;
}

$method = $_SERVER['REQUEST_METHOD'] ?? 'GET';
// The replay upload is the one POST; the script says so before it includes this.
if (defined('TAVRIK_TAKES_POST')) {
    if ($method !== 'POST') {
        TextReply::Refuse('POST only', 405);
    }
} elseif ($method !== 'GET' && $method !== 'HEAD') {
    TextReply::Refuse('GET only', 405);
}
if (strlen($_SERVER['QUERY_STRING'] ?? '') > MAX_QUERY_BYTES) {
    TextReply::Refuse('request too long', 414);
}
