<?php
declare(strict_types=1);
// Works the server's database at times the test makes up, with the server's settings.
//   store_probe.php LIMIT       each line of stdin is "ADDRESS SECONDS", a client address as the
//                               web server would report it and the time of a submission; prints 1
//                               for each one the request limit lets through and 0 for each refused
//   store_probe.php clear SECONDS   clears senders and request counts expired at that time
//   store_probe.php expire SECONDS  deletes the scores that waited too long by that time
//   store_probe.php copies FILE KEY DATE...   stores the replay file's score under each date, with
//                               a copy of the replay that counts as another game, from the key

require_once __DIR__ . '/../../server/private/ServerConfig.php';
require_once __DIR__ . '/../../server/private/Submission.php';
require_once __DIR__ . '/../../server/private/ScoreStore.php';
require_once __DIR__ . '/../../server/private/SenderAddress.php';
require_once __DIR__ . '/../../server/private/ReplayFile.php';

$store = ScoreStore::Open(ServerConfig::Load());
if ($argv[1] === 'clear') {
    $store->ClearExpired((int) $argv[2]);
    exit;
}
if ($argv[1] === 'expire') {
    $store->ExpireWaiting((int) $argv[2]);
    exit;
}
if ($argv[1] === 'copies') {
    $bytes = file_get_contents($argv[2]);
    $replay = ReplayFile::Read($bytes);
    $hash = $replay->gameHash;
    foreach (array_slice($argv, 4) as $date) {
        $score = new Submission();
        [$score->name, $score->points, $score->date] = [Submission::CleanName($replay->name), $replay->points, $date];
        $store->Add($score->name, $score->points, $date, '127.0.0.1', 0, 0, true);
        $replay->gameHash = hash('sha256', $hash . $date);
        $refused = $store->AddReplay($score, $replay, $bytes, hash('sha256', $argv[3]));
        if ($refused !== '') {
            fwrite(STDERR, "$date: $refused\n");
            exit(1);
        }
    }
    exit;
}
$limit = (int) $argv[1];
while (($line = fgets(STDIN)) !== false) {
    [$address, $seconds] = explode(' ', trim($line));
    echo $store->CountRequest(SenderAddress::Key($address), 's', $limit, (float) $seconds) ? '1' : '0';
}
