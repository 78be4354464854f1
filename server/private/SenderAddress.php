<?php
declare(strict_types=1);

// The key a client address is known by for request limits and moderation: an IPv4 address as it
// is, and the /64 network of an IPv6 address, since one host is usually given a whole /64.
final class SenderAddress
{
    /** Bytes of an IPv6 address that name its /64 network. */
    private const IPV6_NETWORK_BYTES = 8;
    /** Prefix of an IPv4 address mapped into IPv6 (::ffff:a.b.c.d). */
    private const IPV4_MAPPED_PREFIX = "\0\0\0\0\0\0\0\0\0\0\xff\xff";

    /**
     * "192.0.2.7" for IPv4 (also when mapped into IPv6), "2001:db8:1:2::/64" for IPv6; an address
     * followed by "/64" is taken too. Null when the text is no address.
     */
    public static function Key(string $address): ?string
    {
        $address = preg_replace('~/64$~D', '', $address);
        $packed = @inet_pton($address);
        if ($packed === false) {
            return null;
        }
        if (strlen($packed) === 16 && str_starts_with($packed, self::IPV4_MAPPED_PREFIX)) {
            $packed = substr($packed, strlen(self::IPV4_MAPPED_PREFIX));
        }
        if (strlen($packed) === 4) {
            return inet_ntop($packed);
        }
        $network = substr($packed, 0, self::IPV6_NETWORK_BYTES) . str_repeat("\0", 16 - self::IPV6_NETWORK_BYTES);
        return inet_ntop($network) . '/64';
    }
}
