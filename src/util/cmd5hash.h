#pragma once

#include <QString>

// Password digests. Both routines are exported and the text form calls the
// raw one through the dynamic symbol table, so a host process that defines
// its own raw routine earlier in the load order keeps using it.
class CMD5Hash
{
public:
    // The digest of the local 8-bit form of `text` as 32 lower-case
    // hexadecimal digits; empty when the raw routine fails.
    static QString DoHash(const QString& text);

    // Fills the 16 bytes at `digest` with the MD5 digest of `length` bytes at
    // `data`; returns true on success.
    static bool DoHash(const void* data, unsigned long length, void* digest);
};
