// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ContentHash.h"

#include <openssl/evp.h>

#include <memory>

namespace brisa {

std::string contentHash(const DetectedClip& clip)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const auto raw = rawValue(clip.type);
    const bool ok = ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1
        && EVP_DigestUpdate(ctx.get(), raw.data(), raw.size()) == 1
        && (!clip.textContent || EVP_DigestUpdate(ctx.get(), clip.textContent->data(), clip.textContent->size()) == 1)
        && (!clip.imageData || EVP_DigestUpdate(ctx.get(), clip.imageData->data(), clip.imageData->size()) == 1)
        && EVP_DigestFinal_ex(ctx.get(), digest, &length) == 1;
    if (!ok)
        return {}; // never happens with the default provider; an empty hash is never a duplicate
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        out.push_back(hex[digest[i] >> 4]);
        out.push_back(hex[digest[i] & 0x0F]);
    }
    return out;
}

} // namespace brisa
