<?php
declare(strict_types=1);

// Runs the game's own verifier (tavrik --verify) on replays, one process each, with a CPU and
// wall-clock limit, a memory limit and no network: in a network namespace of its own (unshare)
// unless the whole command already runs without one (systemd's PrivateNetwork=), and with a
// home folder of its own that is removed afterwards.
final class Verifier
{
    /** Seconds tavrik --identity may take. */
    private const IDENTITY_SECONDS = 30;
    /** Exit statuses of tavrik --verify. */
    public const MATCHES = 0, DIFFERS = 1, MALFORMED = 2, OTHER_BUILD = 3;

    /** The command put before the verifier to cut it off the network; none when already cut off. */
    private array $isolation = [];

    /**
     * Prepares the isolation; throws when the network cannot be taken away, since a replay is
     * run by a program the host did not write the inputs of.
     */
    public function __construct(private int $seconds, private int $memoryMiB)
    {
        $interfaces = array_diff(scandir('/sys/class/net') ?: [], ['.', '..', 'lo']);
        if ($interfaces === []) {
            return;
        }
        // An unprivileged user namespace first; a process that may make network namespaces
        // itself (root, also inside a chroot, where user namespaces are refused) needs none.
        foreach ([['unshare', '--net', '--map-root-user', '--'], ['unshare', '--net', '--']] as $isolation) {
            if ($this->Run([...$isolation, 'true'], self::IDENTITY_SECONDS)[0] === 0) {
                $this->isolation = $isolation;
                return;
            }
        }
        throw new RuntimeException('cannot run the verifier without network: allow user namespaces'
            . ' (unshare --net --map-root-user), run verify as a user that may make network namespaces,'
            . ' or run it with systemd\'s PrivateNetwork=yes');
    }

    /** The verifiers by the build identity they print; unusable binaries are named on stderr. */
    public function Identities(array $binaries): array
    {
        $builds = [];
        foreach ($binaries as $binary) {
            [$status, $out] = $this->Run([$binary, '--identity'], self::IDENTITY_SECONDS);
            $identity = trim($out);
            if ($status !== 0 || !preg_match(ReplayFile::IDENTITY_FORM, $identity)) {
                fwrite(STDERR, "verifier $binary gives no identity (exit $status); left out\n");
                continue;
            }
            $builds[$identity] ??= $binary;
        }
        return $builds;
    }

    /** Plays the replay bytes with the binary: [exit status, its line on stdout, stderr]. */
    public function Verify(string $binary, string $replay): array
    {
        $folder = sys_get_temp_dir() . '/tavrik-verify-' . bin2hex(random_bytes(8));
        mkdir($folder, 0700);
        try {
            file_put_contents("$folder/game.tvr", $replay);
            $limits = ['prlimit', '--cpu=' . $this->seconds];
            if ($this->memoryMiB > 0) {
                $limits[] = '--as=' . $this->memoryMiB * 1024 * 1024;
            }
            return $this->Run([...$this->isolation, ...$limits, '--', $binary, '--verify', "$folder/game.tvr"],
                2 * $this->seconds, $folder);
        } finally {
            exec('rm -rf ' . escapeshellarg($folder));
        }
    }

    /**
     * Runs the command with a clean environment (home in the folder when given), killed after
     * the seconds; [exit status, stdout, stderr].
     */
    private function Run(array $command, int $seconds, ?string $home = null): array
    {
        $env = ['PATH' => '/usr/local/bin:/usr/bin:/bin:/usr/games', 'LANG' => 'C'];
        if ($home !== null) {
            $env += ['HOME' => $home, 'XDG_CONFIG_HOME' => "$home/config", 'XDG_DATA_HOME' => "$home/data"];
        }
        $process = @proc_open(['timeout', '-s', 'KILL', (string) $seconds, ...$command],
            [0 => ['file', '/dev/null', 'r'], 1 => ['pipe', 'w'], 2 => ['pipe', 'w']], $pipes, $home, $env);
        if (!is_resource($process)) {
            return [-1, '', 'could not start'];
        }
        $out = (string) stream_get_contents($pipes[1], 64 * 1024);
        $err = (string) stream_get_contents($pipes[2], 64 * 1024);
        fclose($pipes[1]);
        fclose($pipes[2]);
        return [proc_close($process), $out, $err];
    }
}
