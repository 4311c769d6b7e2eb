// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogCategories.h"

#include "core/support/Log.h"

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <memory>

namespace brisa {
namespace {

// One Qt category a layer, in the order of LogCategory.
constexpr std::size_t kCategoryCount = static_cast<std::size_t>(LogCategory::App) + 1;

const QLoggingCategory& qtCategory(LogCategory category)
{
    static const auto categories = [] {
        std::array<std::unique_ptr<const QLoggingCategory>, kCategoryCount> all;
        // QLoggingCategory keeps the pointer to its name: these are string literals.
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = std::make_unique<const QLoggingCategory>(logCategoryName(static_cast<LogCategory>(i)).data());
        return all;
    }();
    return *categories[std::min(static_cast<std::size_t>(category), kCategoryCount - 1)];
}

} // namespace

void followQtLoggingRules()
{
    // Info, not debug: a system-wide "*.debug=false", which some distributions ship, must not
    // silence what Brisa tells its user.
    setLogFilter([](LogCategory category) { return qtCategory(category).isInfoEnabled(); });
}

} // namespace brisa
