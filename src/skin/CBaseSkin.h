#pragma once

#include "SkinStyle.h"

#include <QByteArray>
#include <QFont>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CXmlparse;

// A skin: images decoded from a skin archive, and the window, object and colour styles of its
// style sheet on top of built-in defaults. The window framework asks it for images by image id
// and for colours, fill modes and fonts by (pane id, item id, index). A derived class supplies
// the image table and the names of the special images and colours.
//
// Not thread-safe: it lives on the user-interface thread.
class CBaseSkin {
public:
    // Makes the name of a new, empty temporary file (or returns "" when none can be had). The
    // default creates "Vel<process id>-…" in the temporary folder.
    using TempFileNamer = std::function<std::string()>;

    CBaseSkin();
    virtual ~CBaseSkin();
    CBaseSkin(const CBaseSkin&) = delete;
    CBaseSkin& operator=(const CBaseSkin&) = delete;

    // 1 loaded; 0 this path is the one loaded (nothing changes); -1 an entry failed to read or a
    // temporary file could not be written (the old images are gone, the new ones read so far
    // stay); -2 not a usable archive (nothing changes).
    virtual int Load(const std::string& archivePath);
    // Frees all images and deletes the temporary files. The style tables stay.
    virtual void Unload();
    // 1 when the archive is usable and holds every image entry and the style sheet, else 0.
    virtual int Validate(const std::string& archivePath);
    // Index 0 the window's bkmode, 1 its gradmode, 2 the object's bkmode, 3 its gradmode.
    virtual int StyleMode(int windowId, int objectId, int index) const;
    // ARGB. Index 0..2 window bkbegin, bkend, border; 3..9 object bkbegin, bkend, bkhi, border,
    // text, texthi, textgray; 10 and above the colour table's entry with that id.
    virtual uint32_t StyleColor(int windowId, int objectId, int index) const;
    // The object's font: its face as named, found by fontconfig. A skin drawn flat has a Windows
    // face (or none) drawn in its UI face instead, with the desktop's sans as the fallback.
    virtual QFont StyleFont(int windowId, int objectId) const;
    // The UI face the skin names in window 0's object 0 ("" when that is a Windows face).
    QString UiFaceName() const;
    // The style sheet loaded last asked for the flat drawing (root attribute look="flat"):
    // replaced Windows faces, rounded item shapes, palette-coloured controls. Otherwise every
    // window draws by the classic rules alone.
    bool FlatLook() const { return flatLook; }
    // The font of plain user-interface text: window 0's object 0.
    QFont UiFont() const { return StyleFont(0, 0); }
    // The decoded image, or null when the id has none. An image that failed to decode is a null
    // QImage (isNull()): drawing code draws nothing for it.
    virtual const QImage* Image(int imageId) const;
    // The image as drawn on a device of that pixel ratio: rendered from the archive's vector
    // source ("NAME.svg" beside "NAME.png") at the ratio, so it stays sharp at any screen scale,
    // with the ratio set so that it covers the decoded image's size in device-independent
    // pixels. The decoded image itself at ratio 1 or when the archive has no source for it.
    QImage SharpImage(int imageId, qreal devicePixelRatio) const;

    virtual int CheckBoxImageId(int state) const = 0;
    virtual int RadioImageId(int state) const = 0;
    virtual int SpecialTextColorId() const = 0;
    virtual int ColorKeyLowId() const = 0;
    virtual int ColorKeyHighId() const = 0;
    virtual int CloseImageId() const = 0;
    virtual int MaximizeImageId() const = 0;
    virtual int RestoreImageId() const = 0;
    virtual int MinimizeImageId() const = 0;
    virtual int MenuImageId() const = 0;
    virtual int IconImageId() const = 0;
    // The archive entry of an image id; "" for an id outside the table.
    virtual std::string ImageName(int imageId) const = 0;
    virtual int FirstImageId() const = 0;
    // The id after `imageId`, or -1 after the last.
    virtual int NextImageId(int imageId) const = 0;
    virtual int ColorIdByName(std::string_view name) const;
    virtual int ObjectIdByName(int windowId, std::string_view name) const = 0;
    virtual std::string StyleSheetName() const;
    virtual int WindowIdByName(std::string_view name) const;

    // Reads a style sheet over the current tables. 0 (nothing changed) when the text is not
    // well-formed XML or has no root "velskin"; else 1.
    virtual int ParseStyleSheet(const char* text, size_t length);
    // Reads the "wnd" element at the document's cursor; 1 stored, 0 ignored.
    virtual int ParseWindow(CXmlparse& xml);
    // The colour value of a colour id, or 0 when the table has none.
    virtual uint32_t ColorById(int colorId) const;
    // "r, g, b" (decimal, blanks allowed) to a colour value. With other than three parts the
    // colour is 0 and the result 0.
    virtual int ParseColor(std::string_view text, uint32_t& color) const;
    // "b" bold, "u" underline, "i" italic, "o" strike-out; other characters are ignored.
    virtual int ParseFontStyle(std::string_view text) const;
    // Reads the "color" element at the cursor; 1 stored, 0 ignored.
    virtual int ParseColorElement(CXmlparse& xml);
    // Reads the "obj" element at the cursor into `objects`; 1 stored, 0 ignored.
    virtual int ParseObject(CXmlparse& xml, int windowId, SkinObjectTable& objects);

    // The archive loaded last ("" when none is loaded).
    const std::string& CurrentArchive() const { return currentArchive; }
    int Alpha() const { return alpha; }
    const std::map<int32_t, SkinWindowStyle>& WindowStyles() const { return windowStyles; }
    const std::map<int32_t, uint32_t>& Colors() const { return colors; }
    const std::vector<std::string>& TempFiles() const { return tempFiles; }
    void SetTempFileNamer(TempFileNamer namer);
    // Called after each archive that loads (result 1), so what follows the skin can update.
    void SetLoadListener(std::function<void()> listener);
    bool HasLoadListener() const { return static_cast<bool>(loadListener); }

    // The built-in object 0 and window 0 that a new skin starts with.
    static SkinObjectStyle DefaultObjectStyle();
    static SkinWindowStyle DefaultWindowStyle();
    static std::map<int32_t, uint32_t> DefaultColors();

private:
    const SkinWindowStyle* findWindow(int windowId) const;
    const SkinObjectStyle* findObject(const SkinWindowStyle* window, int objectId) const;
    QImage decodeEntry(const class CSkinArchive& archive, const std::string& name, int& result);
    void ApplyColorKeys();

    std::string currentArchive;
    std::vector<std::string> tempFiles;
    int alpha = 255;
    bool flatLook = false;
    std::map<int32_t, SkinWindowStyle> windowStyles;
    std::map<int32_t, std::unique_ptr<QImage>> images;
    std::map<int32_t, QByteArray> vectorSources;
    mutable std::map<std::pair<int32_t, int>, QImage> sharpImages; // by id and ratio in 1/100
    std::map<int32_t, uint32_t> colors;
    TempFileNamer tempFileNamer;
    std::function<void()> loadListener;
};
