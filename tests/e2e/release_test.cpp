// What the shipped vuv.exe carries besides its code: a version resource that
// tells Explorer and installers what it is, and an icon with a crisp image
// for every size the shell asks for between 100 % and 200 %.
#include "e2e/harness.h"

#include "common/encoding_win.h"

#include "vuv_version.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace vuv::e2e {
namespace {

std::wstring panelPath() { return testDirectory() + VUV_EXE_NAME; }

// A module loaded as data only: its resources can be read, nothing runs.
class ResourceFile {
public:
    explicit ResourceFile(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceFile() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    [[nodiscard]] bool ok() const noexcept { return module_ != nullptr; }
    // The bytes of one resource; empty when it is missing.
    [[nodiscard]] std::string bytes(const wchar_t* type, const wchar_t* name) const {
        HRSRC found = FindResourceW(module_, name, type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) return {};
        return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

private:
    HMODULE module_;
};

template <typename T>
T readAt(const std::string& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(Release, VersionResourceNamesTheProductAndItsVersion) {
    const std::wstring path = panelPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in " << win::narrow(path);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    auto text = [&](const wchar_t* key) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + key;
        wchar_t* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr) {
            return std::wstring(L"<missing>");
        }
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"vuv");
    EXPECT_EQ(text(L"OriginalFilename"), L"vuv.exe");
    EXPECT_EQ(win::narrow(text(L"FileVersion")), VUV_VERSION_TEXT);
    EXPECT_EQ(win::narrow(text(L"ProductVersion")), VUV_VERSION_TEXT);
    EXPECT_NE(text(L"FileDescription").find(L"control panel"), std::wstring::npos);
    EXPECT_NE(text(L"LegalCopyright").find(L"MIT"), std::wstring::npos);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(VUV_VERSION_MINOR, VUV_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, VUV_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
}

// The icon group 1 lists one 32-bit image per size; each image is drawn:
// transparent in its corners (the rounded square), opaque in the middle.
TEST(Release, IconHasADrawnImageForEverySizeFrom16To64) {
    ResourceFile file(panelPath());
    ASSERT_TRUE(file.ok());
    const std::string group = file.bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u) << "no icon group 1";
    ASSERT_EQ(readAt<WORD>(group, 2), 1) << "not an icon group";
    const WORD count = readAt<WORD>(group, 4);
    ASSERT_EQ(group.size(), 6u + 14u * count);  // GRPICONDIRENTRY is 14 bytes in a resource

    std::map<int, std::string> images;  // by size
    for (WORD i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 14 * std::size_t{i};
        const int side = readAt<BYTE>(group, entry) == 0 ? 256 : readAt<BYTE>(group, entry);
        EXPECT_EQ(readAt<WORD>(group, entry + 6), 32) << side;  // bits per pixel
        const WORD id = readAt<WORD>(group, entry + 12);
        images[side] = file.bytes(RT_ICON, MAKEINTRESOURCEW(id));
        EXPECT_EQ(images[side].size(), readAt<DWORD>(group, entry + 8)) << side;
    }
    for (int side : {16, 20, 24, 32, 40, 48, 64}) {
        SCOPED_TRACE(side);
        ASSERT_EQ(images.count(side), 1u);
        const std::string& image = images[side];
        ASSERT_EQ(readAt<DWORD>(image, 0), 40u);  // BITMAPINFOHEADER
        EXPECT_EQ(readAt<LONG>(image, 4), side);
        EXPECT_EQ(readAt<LONG>(image, 8), 2 * side);  // colour and mask
        ASSERT_EQ(readAt<WORD>(image, 14), 32);
        const std::size_t maskBytes = static_cast<std::size_t>((side + 31) / 32 * 4) * static_cast<std::size_t>(side);
        ASSERT_EQ(image.size(), 40 + std::size_t(side) * std::size_t(side) * 4 + maskBytes);
        // Rows are bottom-up, pixels BGRA.
        auto alpha = [&](int x, int y) {
            return readAt<BYTE>(image, 40 + (std::size_t(side - 1 - y) * std::size_t(side) + std::size_t(x)) * 4 + 3);
        };
        for (const auto& [x, y] : {std::pair{0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}}) {
            EXPECT_EQ(alpha(x, y), 0) << "corner " << x << "," << y;
        }
        EXPECT_EQ(alpha(side / 2, side / 2), 255);
        EXPECT_EQ(alpha(side / 2, side / 8 + 1), 255);
        // Not one flat colour: the letter stands out from the square.
        std::map<std::uint32_t, int> colours;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                if (alpha(x, y) == 255) {
                    ++colours[readAt<std::uint32_t>(image, 40 + (std::size_t(y) * std::size_t(side) + std::size_t(x)) * 4)];
                }
            }
        }
        EXPECT_GE(colours.size(), 3u);
        // The system turns it into an icon of that size.
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                                              static_cast<DWORD>(image.size()), TRUE, 0x00030000, side, side, 0);
        EXPECT_NE(icon, nullptr);
        if (icon != nullptr) DestroyIcon(icon);
    }
}

}  // namespace
}  // namespace vuv::e2e
