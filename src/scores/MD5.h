#pragma once
// MD5 message digest (RFC 1321), used to sign highscore lines and server requests.
#include <string>

// The MD5 digest of the text's bytes as 32 lower-case hex digits, in digest byte order.
std::string MD5Hex(const std::string& text);
