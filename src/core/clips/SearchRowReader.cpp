// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/SearchRowReader.h"

#include "core/store/SqliteDatabase.h"
#include "core/support/Log.h"

#include <chrono>
#include <utility>

namespace brisa {
namespace {

constexpr std::chrono::milliseconds kBusyTimeout{2000};

} // namespace

SearchRowReader::SearchRowReader(std::filesystem::path storeFile) : storeFile_(std::move(storeFile)) {}

bool SearchRowReader::forEach(const std::function<void(const Storage::SearchRow&)>& f) const
{
    std::string error;
    const auto db = SqliteDatabase::openReadOnly(storeFile_, error, kBusyTimeout);
    if (!db) {
        logf(LogCategory::Store, "No se pudo abrir {} para buscar: {}", storeFile_.string(), error);
        return false;
    }
    if (!Storage::forEachSearchRowOn(*db, f)) {
        logf(LogCategory::Store, "No se pudo leer el historial para buscar: {}", db->errorMessage());
        return false;
    }
    return true;
}

} // namespace brisa
