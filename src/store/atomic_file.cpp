#include "store/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#endif

namespace kr5061 {
namespace fs = std::filesystem;

namespace {

bool fail(std::string* error, std::string message) {
    if (error != nullptr)
        *error = std::move(message);
    return false;
}

std::string describe(int err) {
    return std::generic_category().message(err);
}

// Wide on Windows so names outside the ANSI code page open too.
std::FILE* openFile(const fs::path& p, bool forWriting) {
#ifdef _WIN32
    return _wfopen(p.c_str(), forWriting ? L"wbx" : L"rb");
#else
    return std::fopen(p.c_str(), forWriting ? "wbx" : "rb");
#endif
}

// The file's data on the disk before it is renamed into place.
bool syncToDisk(std::FILE* f) {
#if defined(_WIN32)
    return _commit(_fileno(f)) == 0;
#elif defined(__APPLE__)
    return ::fsync(::fileno(f)) == 0;
#else
    return ::fdatasync(::fileno(f)) == 0;
#endif
}

// The rename itself on the disk: the folder's entry is synced too. A file
// system that cannot sync a folder (EINVAL) has nothing more to give.
bool syncFolder(const fs::path& dir, std::string& why) {
#ifdef _WIN32
    (void)dir;
    (void)why;
    return true;
#else
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot open the folder to sync it: " + describe(errno);
        return false;
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    if (!ok)
        why = "the folder could not be synced: " + describe(errno);
    ::close(fd);
    return ok;
#endif
}

enum class TempWrite { kOk, kNameTaken, kFailed };

TempWrite writeTemporary(const fs::path& tmp, const void* data, std::size_t size,
                         std::string& why) {
    // "x" never reuses an existing file, so a stray file of that name is left alone.
    std::FILE* f = openFile(tmp, true);
    if (f == nullptr) {
        if (errno == EEXIST)
            return TempWrite::kNameTaken;
        why = "cannot create a file in " + tmp.parent_path().string() + ": " + describe(errno);
        return TempWrite::kFailed;
    }
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    int err = ok ? 0 : errno;
    if (ok && (std::fflush(f) != 0 || !syncToDisk(f))) {
        ok = false;
        err = errno;
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        why = describe(err);
        std::error_code ec;
        fs::remove(tmp, ec);
        return TempWrite::kFailed;
    }
    return TempWrite::kOk;
}

// Writes the bytes to a fresh temporary file beside `path` and hands its name
// to `place`, which moves it into place (or says why it could not); the
// temporary never stays behind.
template <typename Place>
bool writeThroughTemporary(const fs::path& path, const void* data, std::size_t size,
                           std::string* error, Place place) {
    if (path.empty() || !path.has_filename())
        return fail(error, "no file name given");
    std::error_code ec;
    if (fs::is_directory(fs::status(path, ec)))
        return fail(error, path.string() + ": is a folder");
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::random_device rd;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path tmp =
            dir / ("." + path.filename().string() + ".tmp-" + std::to_string(rd()));
        std::string why;
        const TempWrite w = writeTemporary(tmp, data, size, why);
        if (w == TempWrite::kNameTaken)
            continue;
        if (w == TempWrite::kFailed)
            return fail(error, path.string() + ": " + why);
        if (!place(tmp, why)) {
            fs::remove(tmp, ec);
            return fail(error, why.empty() ? std::string() : path.string() + ": " + why);
        }
        if (!syncFolder(dir, why))
            return fail(error, path.string() + ": " + why);
        return true;
    }
    return fail(error, path.string() + ": no free temporary file name in " + dir.string());
}

}  // namespace

bool writeFileAtomically(const fs::path& path, const void* data, std::size_t size,
                         std::string* error) {
    return writeThroughTemporary(
        path, data, size, error, [&](const fs::path& tmp, std::string& why) {
            std::error_code ec;
            const auto target = fs::status(path, ec);
            if (fs::exists(target))
                fs::permissions(tmp, target.permissions(), ec);  // keep the owner's choice
            fs::rename(tmp, path, ec);
            if (ec)
                why = ec.message();
            return !ec;
        });
}

NewFile writeNewFile(const fs::path& path, const void* data, std::size_t size, std::string* error) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return NewFile::kExists;  // the common case, found before anything is written
    bool exists = false;
    const bool ok =
        writeThroughTemporary(path, data, size, error, [&](const fs::path& tmp, std::string& why) {
#ifdef _WIN32
            std::error_code ec;
            exists = fs::exists(path, ec);
            if (!exists)
                fs::rename(tmp, path, ec);
            why = exists ? std::string() : ec.message();
            return !exists && !ec;
#else
            int err = ::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0
                          ? 0
                          : errno;
            if (err == EINVAL || err == ENOSYS) {
                // No such rename here: a hard link takes a free name only, just as atomically.
                err = ::link(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
                if (err == 0)
                    ::unlink(tmp.c_str());
            }
            exists = err == EEXIST;
            why = exists ? std::string() : describe(err);
            return err == 0;
#endif
        });
    if (ok)
        return NewFile::kWritten;
    return exists ? NewFile::kExists : NewFile::kFailed;
}

bool readWholeFile(const fs::path& path, std::vector<std::uint8_t>& out, std::string* error) {
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (ec)
        return fail(error, path.string() + ": " + ec.message());
    if (fs::is_directory(st))
        return fail(error, path.string() + ": is a folder");
    if (!fs::is_regular_file(st))
        return fail(error, path.string() + ": not a regular file");
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > kMaxReadFileBytes)
        return fail(error, path.string() + ": too large for a measurement file");

    std::FILE* f = openFile(path, false);
    if (f == nullptr)
        return fail(error, path.string() + ": " + describe(errno));
    out.clear();
    // The size is only a hint: the file may change while we read, so the cap
    // is enforced on what actually arrives.
    std::uint8_t chunk[65536];
    bool ok = true;
    std::string why;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, f);
        if (out.size() + got > kMaxReadFileBytes) {
            ok = false;
            why = "too large for a measurement file";
            break;
        }
        out.insert(out.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            if (std::ferror(f) != 0) {
                ok = false;
                why = describe(errno);
            }
            break;
        }
    }
    std::fclose(f);
    if (!ok) {
        out.clear();
        return fail(error, path.string() + ": " + why);
    }
    return true;
}

}  // namespace kr5061
