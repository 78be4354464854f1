<?php
declare(strict_types=1);

// Sends a reply as the game reads it: one text line of Latin-1 bytes, then the end of the request.
final class TextReply
{
    /** Sends the line with the given HTTP status and ends the script. */
    public static function Send(string $line, int $status = 200): never
    {
        http_response_code($status);
        header_remove('X-Powered-By');
        header('Content-Type: text/plain; charset=ISO-8859-1');
        header('Cache-Control: no-store');
        echo $line, "\n";
        exit;
    }

    /**
     * Sends a final refusal of a replay: the game stops sending it. The reason is the server's
     * text, never the request's.
     */
    public static function RefuseReplay(string $reason, int $status): never
    {
        self::Send('[REFUSED] ' . $reason, $status);
    }

    /** Sends a refusal; the reason is fixed text, never the request's, so it cannot carry a marker. */
    public static function Refuse(string $reason, int $status = 400): never
    {
        self::Send('[ERROR] ' . $reason, $status);
    }
}
