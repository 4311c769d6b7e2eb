// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ToastData.h"

namespace brisa {
namespace {

template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

std::optional<std::string> nonEmpty(const std::optional<std::string>& s)
{
    if (s && !s->empty())
        return s;
    return std::nullopt;
}

} // namespace

std::string_view ToastData::title() const
{
    return std::visit(Overloaded{
                          [](const Text&) { return std::string_view("Texto copiado"); },
                          [](const Code&) { return std::string_view("Código copiado"); },
                          [](const Link&) { return std::string_view("Enlace copiado"); },
                          [](const Image&) { return std::string_view("Imagen copiada"); },
                          [](const Screenshot&) { return std::string_view("Captura guardada"); },
                          [](const Color&) { return std::string_view("Color copiado"); },
                          [](const File&) { return std::string_view("Archivo copiado"); },
                          [](const Notice& k) { return std::string_view(k.title); },
                      },
                      kind);
}

std::string_view ToastData::symbol() const
{
    return std::visit(Overloaded{
                          [](const Text&) { return std::string_view("doc.on.clipboard"); },
                          [](const Code&) { return std::string_view("chevron.left.forwardslash.chevron.right"); },
                          [](const Link&) { return std::string_view("link"); },
                          [](const Image&) { return std::string_view("photo"); },
                          [](const Screenshot&) { return std::string_view("camera.viewfinder"); },
                          [](const Color&) { return std::string_view("paintpalette"); },
                          [](const File&) { return std::string_view("doc"); },
                          [](const Notice&) { return std::string_view("bell.fill"); },
                      },
                      kind);
}

std::optional<std::string> ToastData::subtitle() const
{
    return std::visit(Overloaded{
                          [](const Text& k) { return nonEmpty(k.preview); },
                          [](const Code& k) { return nonEmpty(k.preview); },
                          [](const Link& k) { return std::optional<std::string>(k.url); },
                          [this](const Image&) { return sourceApp; },
                          [this](const Screenshot&) { return sourceApp; },
                          [](const Color& k) { return std::optional<std::string>(k.hex); },
                          [](const File& k) { return k.name; },
                          [](const Notice& k) { return nonEmpty(k.text); },
                      },
                      kind);
}

const Bytes* ToastData::thumbnail() const
{
    if (const auto* image = std::get_if<Image>(&kind))
        return image->thumbnail ? &*image->thumbnail : nullptr;
    if (const auto* shot = std::get_if<Screenshot>(&kind))
        return shot->thumbnail ? &*shot->thumbnail : nullptr;
    return nullptr;
}

} // namespace brisa
