<?php
declare(strict_types=1);
// Asks the server's request limit about requests the test makes up: each line of stdin is
// "ADDRESS SECONDS" (a client address as the web server would report it, and the time of the
// request); prints 1 for each one let through and 0 for each refused. The limit is the first
// argument; the database is the server's, from its settings.

require_once __DIR__ . '/../../server/private/ServerConfig.php';
require_once __DIR__ . '/../../server/private/Submission.php';
require_once __DIR__ . '/../../server/private/ScoreStore.php';
require_once __DIR__ . '/../../server/private/SenderAddress.php';

$store = ScoreStore::Open(ServerConfig::Load());
$limit = (int) $argv[1];
while (($line = fgets(STDIN)) !== false) {
    [$address, $seconds] = explode(' ', trim($line));
    echo $store->CountRequest(SenderAddress::Key($address), 's', $limit, (float) $seconds) ? '1' : '0';
}
