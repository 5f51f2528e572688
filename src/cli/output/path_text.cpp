#include "cli/output/path_text.hpp"

#include <vector>

namespace tolv::cli::path_text {
namespace {

enum class Kind { Root, CurDir, ParentDir, Normal };

struct Component {
    Kind kind;
    std::size_t begin;
    std::size_t end;
};

std::vector<Component> components(std::string_view path) {
    std::vector<Component> out;
    std::size_t i = 0;
    if (!path.empty() && path[0] == '/') {
        out.push_back({Kind::Root, 0, 1});
        i = 1;
    } else if (path.starts_with(".") && (path.size() == 1 || path[1] == '/')) {
        // Only a leading "." counts as a component of its own.
        out.push_back({Kind::CurDir, 0, 1});
        i = 1;
    }
    while (i < path.size()) {
        std::size_t end = path.find('/', i);
        if (end == std::string_view::npos) end = path.size();
        std::string_view piece = path.substr(i, end - i);
        if (piece == "..")
            out.push_back({Kind::ParentDir, i, end});
        else if (!piece.empty() && piece != ".")
            out.push_back({Kind::Normal, i, end});
        i = end + 1;
    }
    return out;
}

}  // namespace

std::optional<std::string_view> file_name(std::string_view path) {
    auto parts = components(path);
    if (parts.empty() || parts.back().kind != Kind::Normal) return std::nullopt;
    return path.substr(parts.back().begin, parts.back().end - parts.back().begin);
}

std::optional<std::string_view> parent(std::string_view path) {
    auto parts = components(path);
    if (parts.empty() || parts.back().kind == Kind::Root) return std::nullopt;
    if (parts.size() == 1) return path.substr(0, 0);
    return path.substr(0, parts[parts.size() - 2].end);
}

std::optional<std::string_view> extension(std::string_view name) {
    if (name == "..") return std::nullopt;
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    return name.substr(dot + 1);
}

std::string_view file_stem(std::string_view name) {
    if (!extension(name)) return name;
    return name.substr(0, name.rfind('.'));
}

std::string join(std::string_view base, std::string_view tail) {
    if (tail.starts_with("/") || base.empty()) return std::string(tail);
    std::string out(base);
    if (!out.ends_with('/')) out += '/';
    out += tail;
    return out;
}

}  // namespace tolv::cli::path_text
