#include "base/host_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

#include "base/text.h"

namespace pal {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<std::string> ReadHostFile(const std::string& path)
{
    // Files under /proc report a size of 0, so read until the end instead of asking for it.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return std::nullopt;
    }
    std::string content;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t count = read(file.get(), buffer.data(), buffer.size());
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            return content;
        }
        content.append(buffer.data(), static_cast<std::size_t>(count));
    }
}

std::optional<std::string> ReadFirstLine(const std::string& path)
{
    std::optional<std::string> content = ReadHostFile(path);
    if (!content) {
        return std::nullopt;
    }
    return std::string(Trim(std::string_view(*content).substr(0, content->find('\n'))));
}

std::optional<std::string> ReadLink(const std::string& path)
{
    std::array<char, 4096> buffer{};
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> SplitBlanks(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && IsBlank(text[start])) {
            ++start;
        }
        std::size_t end = start;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end;
    }
    return words;
}

std::optional<std::string> FieldOf(std::string_view text, std::string_view name, bool firstBlock)
{
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
        }
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        if (firstBlock && Trim(line).empty()) {
            return std::nullopt;
        }
        // The name must end where the line continues with a blank or a colon.
        if (line.starts_with(name) && line.size() > name.size() &&
            (IsBlank(line[name.size()]) || line[name.size()] == ':')) {
            const std::string_view value = Trim(line.substr(name.size()));
            return std::string(value.starts_with(':') ? Trim(value.substr(1)) : value);
        }
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> LeadingNumber(std::string_view text)
{
    text = Trim(text);
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return number;
}

std::optional<std::string> OsReleaseField(std::string_view text, std::string_view key)
{
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = text.size();
        }
        const std::string_view line = Trim(text.substr(lineStart, lineEnd - lineStart));
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=') {
            std::string_view value = line.substr(key.size() + 1);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return std::string(value);
        }
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

std::u16string Utf16(std::string_view text)
{
    return pal::FromUtf8(std::string(text).c_str());
}

}  // namespace pal
