// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/UserDefaults.h"

#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "core/support/XdgPaths.h"

namespace brisa {

UserDefaults::UserDefaults(std::filesystem::path file, const Clock& clock)
    : file_(std::move(file))
{
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec))
        return;
    auto text = readWholeFile(file_);
    if (!text) {
        logf("No se pudo leer {}; se usan los valores por defecto", file_.string());
        return;
    }
    auto parsed = nlohmann::json::parse(*text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_object()) {
        values_ = std::move(parsed);
        return;
    }
    auto aside = file_;
    aside += ".corrupt-" + fileTimeStamp(clock.now());
    std::filesystem::rename(file_, aside, ec);
    if (ec) {
        // Could not move it: keep it in memory-only mode rather than overwrite the user's file.
        logf("{} no es JSON válido y no se pudo apartar ({}); los ajustes no se guardarán", file_.string(),
             ec.message());
        file_.clear();
        return;
    }
    logf("{} no es JSON válido; apartado como {}; se usan los valores por defecto", file_.string(),
         aside.filename().string());
}

std::filesystem::path UserDefaults::defaultFile() { return xdgConfigHome() / "Brisa" / "defaults.json"; }

std::optional<nlohmann::json> UserDefaults::value(std::string_view key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return std::nullopt;
    return *it;
}

bool UserDefaults::contains(std::string_view key) const { return values_.contains(key); }

void UserDefaults::set(std::string_view key, nlohmann::json value)
{
    values_[std::string(key)] = std::move(value);
    save();
}

void UserDefaults::remove(std::string_view key)
{
    auto it = values_.find(key);
    if (it == values_.end())
        return;
    values_.erase(it);
    save();
}

std::string UserDefaults::serialized() const
{
    // Replace invalid UTF-8 instead of throwing: a bad string must never cost the other settings.
    return values_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void UserDefaults::save()
{
    if (file_.empty())
        return;
    if (auto err = writeFileAtomically(file_, serialized(), 0600))
        logf("No se pudieron guardar los ajustes: {}", *err);
}

} // namespace brisa
