<?php
declare(strict_types=1);
// Takes the replay of a stored score: POST with the score's name, points, time and md5sum as in
// submit.php, the install key, and the replay file as the body. "[OK]" when it is stored now or
// was before; "[REFUSED] reason" when it never will be (the game stops sending it); anything
// else (a failure, HTTP 429) and the game sends it again later.

const TAVRIK_TAKES_POST = true;
require __DIR__ . '/../private/bootstrap.php';

$config = ServerConfig::Load();
$store = ScoreStore::Open($config);
if (!$store->CountRequest(ClientAddress(), 'r', $config->submissionsPerMinute)) {
    TextReply::Refuse('too many requests', 429);
}
$submission = Submission::FromQuery($_GET, $config->versions);
if (is_string($submission)) {
    TextReply::RefuseReplay($submission, $submission === 'bad checksum' ? 403 : 400);
}
$key = $_GET['key'] ?? null;
if (!is_string($key) || !preg_match('/^[0-9a-f]{32}$/D', $key)) {
    TextReply::RefuseReplay('bad key', 400);
}
$length = $_SERVER['CONTENT_LENGTH'] ?? '';
if (!is_string($length) || !preg_match('/^[0-9]{1,12}$/D', $length)) {
    TextReply::RefuseReplay('length required', 411);
}
if ((int) $length > ReplayFile::MAX_BYTES) {
    TextReply::RefuseReplay('replay too large', 413);
}
$bytes = (string) file_get_contents('php://input', false, null, 0, ReplayFile::MAX_BYTES + 1);
if (strlen($bytes) !== (int) $length) {
    // Cut short on the way: worth sending again.
    TextReply::Refuse('replay truncated', 400);
}
$replay = ReplayFile::Read($bytes);
if (is_string($replay)) {
    TextReply::RefuseReplay($replay, 422);
}
if (Submission::CleanName($replay->name) !== $submission->name) {
    TextReply::RefuseReplay('name differs from the score', 422);
}
if ($replay->points !== $submission->points) {
    TextReply::RefuseReplay('points differ from the score', 422);
}
// Only the key's hash is kept: the table does not hand anyone the keys to other names.
$refused = $store->AddReplay($submission, $replay, $bytes, hash('sha256', $key));
if ($refused !== '') {
    TextReply::RefuseReplay($refused, $refused === 'game already stored' ? 409 : 404);
}
TextReply::Send('[OK]');
