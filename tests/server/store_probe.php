<?php
declare(strict_types=1);
// Works the server's database at times the test makes up, with the server's settings.
//   store_probe.php LIMIT       each line of stdin is "ADDRESS SECONDS", a client address as the
//                               web server would report it and the time of a submission; prints 1
//                               for each one the request limit lets through and 0 for each refused
//   store_probe.php clear SECONDS   clears senders and request counts expired at that time

require_once __DIR__ . '/../../server/private/ServerConfig.php';
require_once __DIR__ . '/../../server/private/Submission.php';
require_once __DIR__ . '/../../server/private/ScoreStore.php';
require_once __DIR__ . '/../../server/private/SenderAddress.php';

$store = ScoreStore::Open(ServerConfig::Load());
if ($argv[1] === 'clear') {
    $store->ClearExpired((int) $argv[2]);
    exit;
}
$limit = (int) $argv[1];
while (($line = fgets(STDIN)) !== false) {
    [$address, $seconds] = explode(' ', trim($line));
    echo $store->CountRequest(SenderAddress::Key($address), 's', $limit, (float) $seconds) ? '1' : '0';
}
