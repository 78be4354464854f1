<?php
declare(strict_types=1);
// The host's command for the highscore database, with the same settings as the web scripts:
//   php server/admin.php init          creates the tables (once, before the first request)
//   php server/admin.php list [N]      the best N scores (default 100): ID POINTS NAME DATE
//   php server/admin.php delete ID     deletes one score
//   php server/admin.php ban NAME      drops the name's scores; its submissions are then dropped too
//   php server/admin.php unban NAME
//   php server/admin.php prune         applies the score limits to the whole table

if (PHP_SAPI !== 'cli') {
    http_response_code(404);
    exit;
}

require_once __DIR__ . '/private/ServerConfig.php';
require_once __DIR__ . '/private/Submission.php';
require_once __DIR__ . '/private/ScoreStore.php';

/** Scores listed when no count is given. */
const DEFAULT_LIST_COUNT = 100;
/** Exit status of a failed command, and of a wrong command line. */
const EXIT_FAILED = 1;
const EXIT_USAGE = 2;

function Usage(): never
{
    fwrite(STDERR, "usage: php server/admin.php init | list [N] | delete ID | ban NAME | unban NAME | prune\n");
    exit(EXIT_USAGE);
}

function Fail(string $message): never
{
    fwrite(STDERR, $message . "\n");
    exit(EXIT_FAILED);
}

/** A whole number argument from 1 up, or the usage text. */
function Number(string $text): int
{
    if (!preg_match('/^[1-9][0-9]{0,17}$/D', $text)) {
        Usage();
    }
    return (int) $text;
}

$arguments = array_slice($argv, 1);
$command = $arguments[0] ?? '';
$argument = $arguments[1] ?? null;
$wanted = ['init' => 0, 'list' => 1, 'delete' => 1, 'ban' => 1, 'unban' => 1, 'prune' => 0];
if (!isset($wanted[$command]) || count($arguments) > 1 + $wanted[$command]
    || ($argument === null && in_array($command, ['delete', 'ban', 'unban'], true))) {
    Usage();
}

$config = ServerConfig::Load();
try {
    $store = ScoreStore::Open($config, $command === 'init');
    switch ($command) {
        case 'init':
            $store->CreateSchema();
            echo "tables created\n";
            break;
        case 'list':
            foreach ($store->Top($argument === null ? DEFAULT_LIST_COUNT : Number($argument)) as [$id, $name, $points, $date]) {
                echo "$id $points $name $date\n";
            }
            break;
        case 'delete':
            if (!$store->Delete(Number($argument))) {
                Fail("no score with the id $argument");
            }
            echo "deleted $argument\n";
            break;
        case 'ban':
            // Banned as stored, so the name the game sends and the name the list shows both match.
            $name = Submission::CleanName($argument);
            $deleted = $store->Ban($name);
            echo "banned $name, $deleted scores deleted\n";
            break;
        case 'unban':
            $name = Submission::CleanName($argument);
            if (!$store->Unban($name)) {
                Fail("$name is not banned");
            }
            echo "unbanned $name\n";
            break;
        case 'prune':
            echo $store->Prune($config->scoresPerName, $config->maxScores), " scores deleted\n";
            break;
    }
} catch (MissingSchema) {
    Fail('the database has no tables yet: run php server/admin.php init');
} catch (PDOException $e) {
    if ($command !== 'init' && ScoreStore::IsMissingTable($e)) {
        Fail('the database has no tables yet: run php server/admin.php init');
    }
    Fail('database error: ' . $e->getMessage());
}
