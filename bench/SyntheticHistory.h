// SPDX-License-Identifier: GPL-3.0-or-later
// A large, deterministic history for the benchmarks: the same clips on every run.
#pragma once

#include "core/model/ClipItem.h"
#include "core/model/ClipType.h"

#include <chrono>
#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace brisa::synthetic {

enum class Lengths { LogUniform, Uniform };

inline const std::vector<std::string> kWords{
    "el", "la", "de", "que", "y", "en", "los", "se", "del", "las", "por", "un", "para", "con", "una", "su",
    "información", "informal", "año", "también", "código", "está", "reunión", "página", "número", "según",
    "después", "más", "crédito", "niño", "mañana", "España", "camión", "función", "proyecto", "cliente",
    "factura", "pedido", "entrega", "versión", "the", "and", "function", "return", "const", "value",
    "int", "std::string", "{", "}", "=", "if", "else", "for", "while", "TODO", "Madrid", "Barcelona",
    "equipo", "correo", "enlace", "nota", "lista", "tarea", "revisar", "enviar", "ÚLTIMA", "Año"};

inline const std::vector<std::string> kApps{"Firefox", "Visual Studio Code", "Terminal",    "LibreOffice Writer",
                                            "Figma",   "Slack",              "Thunderbird", "Captura de pantalla",
                                            "Konsole", "Dolphin"};

/// Deterministic synthetic history, newest first: mixed kinds, texts of 20 to 2,000 characters,
/// some Spanish accents, app names on most clips, recognised text on some images. About 2% of
/// texts hold "informe" and 3% of links and texts "foo"; near misses ("información") are common.
inline std::vector<ClipItem> makeHistory(std::size_t count, Lengths lengths = Lengths::LogUniform)
{
    std::mt19937_64 rng(20240611);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](const std::vector<std::string>& v) -> const std::string& { return v[rng() % v.size()]; };
    auto length = [&] {
        if (lengths == Lengths::Uniform)
            return std::uniform_int_distribution<std::size_t>(20, 2000)(rng);
        return static_cast<std::size_t>(std::exp(std::uniform_real_distribution<double>(std::log(20.0), std::log(2000.0))(rng)));
    };
    auto prose = [&](std::size_t target) {
        std::string s;
        while (s.size() < target) {
            if (!s.empty())
                s += chance(0.05) ? "\n" : " ";
            s += pick(kWords);
        }
        auto splice = [&](std::string_view word) {
            const auto at = rng() % s.size();
            s = s.substr(0, at).append(word).append(s.substr(at));
        };
        if (chance(0.02))
            splice(chance(0.5) ? " informe " : " INFORME ");
        if (chance(0.03))
            splice(" foo ");
        return s;
    };

    std::vector<ClipItem> history;
    history.reserve(count);
    const auto now = std::chrono::system_clock::time_point(std::chrono::hours(480'000));
    for (std::size_t i = 0; i < count; ++i) {
        ClipItem item;
        const auto roll = rng() % 100;
        ClipType type = roll < 40 ? ClipType::Text
                        : roll < 55 ? ClipType::Code
                        : roll < 70 ? ClipType::Link
                        : roll < 80 ? ClipType::Image
                        : roll < 87 ? ClipType::File
                        : roll < 92 ? ClipType::Color
                                    : ClipType::Screenshot;
        item.typeRaw = std::string(rawValue(type));
        switch (type) {
        case ClipType::Text:
        case ClipType::Code: item.textContent = prose(length()); break;
        case ClipType::Link:
            // Appended piecewise: "literal" + std::string trips a bogus -Wrestrict in g++ 12 at -O3.
            item.textContent = std::string("https://ejemplo.es/").append(std::to_string(rng() % 100000));
            item.textContent->append(chance(0.03) ? "/foo" : "/ruta");
            break;
        case ClipType::File:
            item.textContent = std::string("/home/ana/Documentos/").append(pick(kWords)).append(".pdf");
            break;
        case ClipType::Color: item.textContent = std::string("#").append(std::to_string(100000 + rng() % 900000)); break;
        case ClipType::Image:
        case ClipType::Screenshot:
            if (chance(0.5))
                item.ocrText = prose(length());
            break;
        }
        if (type == ClipType::Screenshot)
            item.sourceAppName = "Captura de pantalla";
        else if (chance(0.9))
            item.sourceAppName = pick(kApps);
        item.isPinned = chance(0.01);
        item.createdAt = now - std::chrono::seconds(i * 37);
        history.push_back(std::move(item));
    }
    return history;
}

} // namespace brisa::synthetic
