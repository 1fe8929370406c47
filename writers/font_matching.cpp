#include "writers/font_matching.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace varnelo {

namespace {

constexpr const char* kWindowsFontFolder = "/usr/share/wine/fonts";

// fontconfig does not look in fonts-wine's folder, and its default rules
// refuse the bitmap-only MS Sans Serif; the faces go straight into the
// application set, which no rule filters.
void addWindowsFonts(FcConfig* config) {
    // Creates the application set, which exists only once a file was added.
    FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>("/nonexistent"));
    FcFontSet* set = FcConfigGetFonts(config, FcSetApplication);
    if (set == nullptr)
        return;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kWindowsFontFolder, error)) {
        if (entry.path().extension() != ".ttf")
            continue;
        const std::string file = entry.path().string();
        int count = 1;
        for (int id = 0; id < count; ++id) {
            FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(file.c_str()),
                                                 static_cast<unsigned>(id), nullptr, &count);
            if (pattern == nullptr)
                break;
            if (!FcFontSetAdd(set, pattern))
                FcPatternDestroy(pattern);
        }
    }
}

// A configuration of our own, so the image output never shares fontconfig
// state with the window's toolkit running on another thread.
FcConfig* cellFontConfig() {
    static FcConfig* const config = [] {
        FcConfig* loaded = FcInitLoadConfigAndFonts();
        if (loaded != nullptr) {
            addWindowsFonts(loaded);
            // Given back at exit, so leak checkers see nothing left behind.
            std::atexit([] { FcConfigDestroy(cellFontConfig()); });
        }
        return loaded;
    }();
    return config;
}

// fontconfig's objects are not for two threads at once.
std::mutex& fontconfigLock() {
    static std::mutex mutex;
    return mutex;
}

std::string stringOf(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr)
        return {};
    return reinterpret_cast<const char*>(value);
}

} // namespace

namespace {

FontFile matchIn(const std::string& familyUtf8, int pixelSize, bool systemOnly,
                 char32_t drawing = 0) {
    const std::lock_guard lock(fontconfigLock());
    FcConfig* config = cellFontConfig();
    if (config == nullptr)
        return {};
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
    if (drawing != 0) {
        FcCharSet* characters = FcCharSetCreate();
        if (characters != nullptr) {
            FcCharSetAddChar(characters, drawing);
            FcPatternAddCharSet(pattern, FC_CHARSET, characters);
            FcCharSetDestroy(characters);
        }
    }
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* system = FcConfigGetFonts(config, FcSetSystem);
    FcPattern* match = !systemOnly         ? FcFontMatch(config, pattern, &result)
                       : system != nullptr ? FcFontSetMatch(config, &system, 1, pattern, &result)
                                           : nullptr;
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return {};
    FontFile file;
    file.path = stringOf(match, FC_FILE);
    file.family = stringOf(match, FC_FAMILY);
    FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
    FcBool antialias = FcTrue;
    if (FcPatternGetBool(match, FC_ANTIALIAS, 0, &antialias) == FcResultMatch)
        file.antialias = antialias != FcFalse;
    FcPatternGetInteger(match, FC_HINT_STYLE, 0, &file.hintStyle);
    FcPatternDestroy(match);
    return file;
}

} // namespace

FontFile matchFontFile(const std::string& familyUtf8, int pixelSize) {
    return matchIn(familyUtf8, pixelSize, false);
}

FontFile matchReaderFontFile(const std::string& familyUtf8, int pixelSize) {
    return matchIn(familyUtf8, pixelSize, true);
}

FontFile matchFontFileDrawing(const std::string& familyUtf8, int pixelSize, char32_t character) {
    return matchIn(familyUtf8, pixelSize, false, character);
}

std::vector<std::string> matchedFontFamilies() {
    const std::lock_guard lock(fontconfigLock());
    std::vector<std::string> families;
    FcConfig* config = cellFontConfig();
    if (config == nullptr)
        return families;
    for (const FcSetName setName : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(config, setName);
        for (int i = 0; set != nullptr && i < set->nfont; ++i) {
            std::string family = stringOf(set->fonts[i], FC_FAMILY);
            if (!family.empty())
                families.push_back(std::move(family));
        }
    }
    std::sort(families.begin(), families.end());
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

} // namespace varnelo
