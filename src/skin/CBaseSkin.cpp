#include "CBaseSkin.h"

#include "CSkinArchive.h"
#include "CXmlparse.h"
#include "OptionText.h"
#include "ProcessScratch.h"
#include "SkinFaces.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace {

// Image files carry their process's id: those a killed process left behind are removed by the
// next process that loads a skin.
std::string makeTempFile() {
    const std::string folder = QDir::tempPath().toStdString();
    static std::once_flag tidied;
    std::call_once(tidied, [&] {
        removeDeadScratch(folder, "Vel", [](const std::string& path) { unlink(path.c_str()); });
    });
    std::string pattern = folder + "/" + processScratchPrefix("Vel") + "XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}

QImage decoded(QImageReader& reader) {
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (!image.isNull())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace

CBaseSkin::CBaseSkin()
    : windowStyles{{0, DefaultWindowStyle()}}, colors(DefaultColors()),
      tempFileNamer(makeTempFile) {}

CBaseSkin::~CBaseSkin() {
    // Derived destructors unload first; this catches a skin destroyed through the base only.
    images.clear();
    for (const std::string& file : tempFiles)
        std::remove(file.c_str());
}

SkinObjectStyle CBaseSkin::DefaultObjectStyle() {
    SkinObjectStyle o;
    o.bkbegin = 0x787878;
    o.bkend = 0xB4B4B4;
    o.bkhi = 0x0000DC;
    o.border = 0x000096;
    o.text = 0xFFFFFF;
    o.texthi = 0x0A0A0A;
    o.textgray = 0xC0C0C0;
    o.bkmode = 2;
    o.gradmode = 1;
    o.fontname = "Times New Roman";
    o.fontsize = 90;
    o.fontstyle = 0;
    return o;
}

SkinWindowStyle CBaseSkin::DefaultWindowStyle() {
    SkinWindowStyle w;
    w.bkbegin = 0x646464;
    w.bkend = 0xA8A8A8;
    w.border = 0x646464;
    w.bkmode = 2;
    w.gradmode = 1;
    w.objects[0] = DefaultObjectStyle();
    return w;
}

std::map<int32_t, uint32_t> CBaseSkin::DefaultColors() {
    return {{100, 0x000000}, {101, 0x646464}, {102, 0xFFFFFF}, {103, 0x0A0A0A}, {104, 0xC8C8C8},
            {105, 0xF43845}, {106, 0xB9BEBE}, {107, 0xD2967C}, {108, 0xDCDCDC}, {109, 0x784614},
            {110, 0xF43845}, {111, 0xFFFFFF}, {112, 0xC8C8C8}, {113, 0x50DBF0}, {114, 0xB4B4B4},
            {115, 0xFFFFFF}, {116, 0xFFFFFF}, {117, 0xCECECE}};
}

void CBaseSkin::SetLoadListener(std::function<void()> listener) {
    loadListener = std::move(listener);
}

void CBaseSkin::SetTempFileNamer(TempFileNamer namer) {
    tempFileNamer = std::move(namer);
}

// ---- archive and images ----

int CBaseSkin::Validate(const std::string& archivePath) {
    CSkinArchive archive(archivePath);
    std::vector<CSkinArchive::Entry> entries;
    if (!archive.ReadDirectory(entries))
        return 0;
    for (int id = FirstImageId(); id != -1; id = NextImageId(id))
        if (!findSkinEntry(entries, ImageName(id)))
            return 0;
    return findSkinEntry(entries, StyleSheetName()) ? 1 : 0;
}

// Temporary file first, memory stream when no temporary file name can be had. `result` becomes
// -1 when the entry cannot be read or written out.
QImage CBaseSkin::decodeEntry(const CSkinArchive& archive, const std::string& name, int& result) {
    result = 1;
    const std::string file = tempFileNamer ? tempFileNamer() : std::string();
    if (!file.empty()) {
        if (!archive.EntryToFile(name, file)) {
            std::remove(file.c_str());
            result = -1;
            return {};
        }
        tempFiles.push_back(file);
        QImageReader reader(QString::fromStdString(file));
        return decoded(reader);
    }
    std::unique_ptr<QIODevice> stream = archive.EntryToStream(name);
    if (!stream) {
        result = -1;
        return {};
    }
    QImageReader reader(stream.get());
    return decoded(reader);
}

int CBaseSkin::Load(const std::string& archivePath) {
    if (archivePath == currentArchive)
        return 0;
    if (!Validate(archivePath))
        return -2;
    CSkinArchive archive(archivePath);
    if (!archive.Check())
        return -2;
    Unload();

    for (int id = FirstImageId(); id != -1; id = NextImageId(id)) {
        int result = 1;
        QImage image = decodeEntry(archive, ImageName(id), result);
        if (result != 1)
            return -1;
        images[id] = std::make_unique<QImage>(std::move(image));
    }

    // Vector sources are optional: an archive of pictures alone is drawn from its pictures.
    for (int id = FirstImageId(); id != -1; id = NextImageId(id)) {
        std::string name = ImageName(id);
        const size_t dot = name.rfind('.');
        name = name.substr(0, dot) + ".svg";
        std::string bytes;
        if (archive.HasEntry(name) && archive.EntryToMemory(name, bytes))
            vectorSources[id] = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }

    std::string sheet;
    if (!archive.EntryToMemory(StyleSheetName(), sheet))
        return -1;
    // A style sheet that does not parse leaves the styles as they are; the images still count.
    ParseStyleSheet(sheet.c_str(), sheet.size());
    // The keys come from the colour table, which the style sheet has just filled.
    ApplyColorKeys();
    currentArchive = archivePath;
    if (loadListener)
        loadListener();
    return 1;
}

// Pixels whose red, green and blue each lie between the low and the high key become transparent:
// pictures without an alpha channel (BMP, plain PNG) mark their background that way. The default
// keys (white to near black) span no colour, so they change nothing. Vector sources carry their
// own transparency and are not keyed.
void CBaseSkin::ApplyColorKeys() {
    const uint32_t low = ColorById(ColorKeyLowId()), high = ColorById(ColorKeyHighId());
    const int lo[3] = {int(low & 0xFF), int(low >> 8 & 0xFF), int(low >> 16 & 0xFF)};
    const int hi[3] = {int(high & 0xFF), int(high >> 8 & 0xFF), int(high >> 16 & 0xFF)};
    if (lo[0] > hi[0] || lo[1] > hi[1] || lo[2] > hi[2])
        return;
    auto keyed = [&](QRgb p) {
        const int c[3] = {qRed(p), qGreen(p), qBlue(p)};
        for (int i = 0; i < 3; ++i)
            if (c[i] < lo[i] || c[i] > hi[i])
                return false;
        return true;
    };
    for (auto& [id, image] : images) {
        if (!image || image->isNull())
            continue;
        // Straight (not premultiplied) colours: a keyed pixel is judged by its own colour.
        QImage straight = image->convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < straight.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(straight.scanLine(y));
            for (int x = 0; x < straight.width(); ++x)
                if (qAlpha(line[x]) == 255 && keyed(line[x]))
                    line[x] = qRgba(0, 0, 0, 0);
        }
        *image = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
}

void CBaseSkin::Unload() {
    images.clear();
    vectorSources.clear();
    sharpImages.clear();
    for (const std::string& file : tempFiles)
        QFile::remove(QString::fromStdString(file));
    tempFiles.clear();
    // Nothing of that archive is loaded any more, so loading it again must really load it.
    currentArchive.clear();
}

const QImage* CBaseSkin::Image(int imageId) const {
    auto it = images.find(imageId);
    return it == images.end() ? nullptr : it->second.get();
}

QImage CBaseSkin::SharpImage(int imageId, qreal devicePixelRatio) const {
    const QImage* decoded = Image(imageId);
    if (!decoded || decoded->isNull())
        return decoded ? *decoded : QImage();
    const auto source = vectorSources.find(imageId);
    const int ratio = qRound(devicePixelRatio * 100);
    if (source == vectorSources.end() || ratio <= 100)
        return *decoded;
    const std::pair<int32_t, int> key{imageId, ratio};
    if (auto cached = sharpImages.find(key); cached != sharpImages.end())
        return cached->second;
    QSvgRenderer svg(source->second);
    if (!svg.isValid())
        return *decoded;
    const qreal scale = ratio / 100.0;
    // Whole device pixels, drawn one to one: the ratio stays the screen's, so the picture is never
    // resampled on its way to the screen.
    const QSize pixels(qRound(decoded->width() * scale), qRound(decoded->height() * scale));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image.setDevicePixelRatio(scale);
    return sharpImages.emplace(key, std::move(image)).first->second;
}

// ---- style queries ----

const SkinWindowStyle* CBaseSkin::findWindow(int windowId) const {
    auto it = windowStyles.find(windowId);
    if (it == windowStyles.end())
        it = windowStyles.find(0);
    return it == windowStyles.end() ? nullptr : &it->second;
}

const SkinObjectStyle* CBaseSkin::findObject(const SkinWindowStyle* window, int objectId) const {
    if (!window)
        return nullptr;
    auto it = window->objects.find(objectId);
    if (it == window->objects.end())
        it = window->objects.find(0);
    return it == window->objects.end() ? nullptr : &it->second;
}

int CBaseSkin::StyleMode(int windowId, int objectId, int index) const {
    const SkinWindowStyle* w = findWindow(windowId);
    const SkinObjectStyle* o = findObject(w, objectId);
    switch (index) {
    case 0:
        return w ? w->bkmode : 0;
    case 1:
        return w ? w->gradmode : 0;
    case 2:
        return o ? o->bkmode : 0;
    case 3:
        return o ? o->gradmode : 0;
    default:
        return 0;
    }
}

uint32_t CBaseSkin::StyleColor(int windowId, int objectId, int index) const {
    uint32_t color = 0;
    if (index >= 10) {
        color = ColorById(index);
    } else if (index >= 0 && index <= 2) {
        if (const SkinWindowStyle* w = findWindow(windowId))
            color = index == 0 ? w->bkbegin : index == 1 ? w->bkend : w->border;
    } else if (index >= 3) {
        if (const SkinObjectStyle* o = findObject(findWindow(windowId), objectId)) {
            const uint32_t fields[] = {o->bkbegin, o->bkend,  o->bkhi,    o->border,
                                       o->text,    o->texthi, o->textgray};
            color = fields[index - 3];
        }
    }
    return skinColorToArgb(color, static_cast<uint32_t>(alpha));
}

QString CBaseSkin::UiFaceName() const {
    const SkinObjectStyle* o = findObject(findWindow(0), 0);
    const QString face = o ? QString::fromStdString(o->fontname) : QString();
    return isWindowsUiFace(face) ? QString() : face;
}

QFont CBaseSkin::StyleFont(int windowId, int objectId) const {
    QFont font;
    const SkinObjectStyle* o = findObject(findWindow(windowId), objectId);
    if (!o)
        return font;
    QString face = QString::fromStdString(o->fontname);
    if (flatLook) {
        // A Windows face named here is drawn in the skin's own UI face (see SkinFaces.h).
        if (face.isEmpty() || isWindowsUiFace(face))
            face = UiFaceName();
        font.setFamilies(uiFamilies(face));
    } else if (!face.isEmpty()) {
        font.setFamily(face);
    }
    if (o->fontsize > 0)
        font.setPointSizeF(o->fontsize / 10.0);
    font.setWeight((o->fontstyle & kSkinFontBold) ? QFont::Bold : QFont::Normal);
    font.setUnderline(o->fontstyle & kSkinFontUnderline);
    font.setItalic(o->fontstyle & kSkinFontItalic);
    font.setStrikeOut(o->fontstyle & kSkinFontStrikeOut);
    return font;
}

uint32_t CBaseSkin::ColorById(int colorId) const {
    auto it = colors.find(colorId);
    return it == colors.end() ? 0 : it->second;
}

int CBaseSkin::ColorIdByName(std::string_view) const {
    return 0;
}

std::string CBaseSkin::StyleSheetName() const {
    return "velskin.xml";
}

int CBaseSkin::WindowIdByName(std::string_view) const {
    return 0;
}

// ---- style sheet ----

int CBaseSkin::ParseColor(std::string_view text, uint32_t& color) const {
    std::vector<std::string> parts = splitOptionList(text);
    // Blanks after the last comma are no part of a colour.
    if (!parts.empty() && parts.back().empty() && !text.empty() && text.back() != ',')
        parts.pop_back();
    if (parts.size() != 3) {
        color = 0;
        return 0;
    }
    uint32_t channel[3];
    for (int i = 0; i < 3; ++i)
        channel[i] = static_cast<uint32_t>(parseOptionInt(parts[i])) & 0xFF;
    color = skinColor(channel[0], channel[1], channel[2]);
    return 1;
}

int CBaseSkin::ParseFontStyle(std::string_view text) const {
    int style = 0;
    for (char c : text) {
        if (c == 'b')
            style |= kSkinFontBold;
        else if (c == 'u')
            style |= kSkinFontUnderline;
        else if (c == 'i')
            style |= kSkinFontItalic;
        else if (c == 'o')
            style |= kSkinFontStrikeOut;
    }
    return style;
}

namespace {

void readInt(const CXmlparse& xml, const char* attribute, int32_t& field) {
    const std::string value = xml.getAttrib(attribute);
    if (!value.empty())
        field = parseOptionInt(value);
}

// An element names what it defines by "id", or else by "name" through `byName`. nullopt when it
// has neither, and the element is then skipped.
std::optional<int32_t> elementId(const CXmlparse& xml,
                                 const std::function<int(const std::string&)>& byName) {
    const std::string idText = xml.getAttrib("id");
    if (!idText.empty())
        return parseOptionInt(idText);
    const std::string name = xml.getAttrib("name");
    if (name.empty())
        return std::nullopt;
    return byName(name);
}

} // namespace

int CBaseSkin::ParseStyleSheet(const char* text, size_t length) {
    if (!text || length == 0)
        return 0;
    CXmlparse xml;
    if (!xml.setDoc(std::string_view(text, length)))
        return 0;
    xml.resetPos();
    if (!xml.findElem("velskin"))
        return 0;
    const bool flat = xml.getAttrib("look") == "flat";
    if (!xml.intoElem())
        return 0;
    flatLook = flat;
    while (xml.findElem("wnd"))
        ParseWindow(xml);
    // Colours follow the last window: the search goes on from there (or from the first child).
    while (xml.findElem("color"))
        ParseColorElement(xml);
    return 1;
}

int CBaseSkin::ParseWindow(CXmlparse& xml) {
    const SkinWindowStyle builtIn = [] {
        SkinWindowStyle w = DefaultWindowStyle();
        w.objects.clear();
        return w;
    }();
    auto zero = windowStyles.find(0);
    const SkinWindowStyle& defaults = zero != windowStyles.end() ? zero->second : builtIn;

    const std::optional<int32_t> named =
        elementId(xml, [this](const std::string& name) { return WindowIdByName(name); });
    if (!named)
        return 0;
    const int32_t id = *named;
    if (id < 0)
        return 0;

    SkinWindowStyle window;
    window.bkmode = defaults.bkmode;
    window.gradmode = defaults.gradmode;
    window.bkbegin = defaults.bkbegin;
    window.bkend = defaults.bkend;
    window.border = defaults.border;
    readInt(xml, "bkmode", window.bkmode);
    readInt(xml, "gradmode", window.gradmode);
    for (auto [attribute, field] :
         {std::pair{"bkbegin", &window.bkbegin}, std::pair{"bkend", &window.bkend},
          std::pair{"border", &window.border}}) {
        const std::string value = xml.getAttrib(attribute);
        if (!value.empty())
            ParseColor(value, *field);
    }

    auto zeroObject = defaults.objects.find(0);
    window.objects[0] =
        zeroObject != defaults.objects.end() ? zeroObject->second : SkinObjectStyle{};

    if (xml.intoElem()) {
        while (xml.findElem("obj"))
            ParseObject(xml, id, window.objects);
        xml.outOfElem();
    }
    windowStyles[id] = std::move(window);
    return 1;
}

int CBaseSkin::ParseObject(CXmlparse& xml, int windowId, SkinObjectTable& objects) {
    auto zero = objects.find(0);
    SkinObjectStyle object = zero != objects.end() ? zero->second : DefaultObjectStyle();

    const std::optional<int32_t> named =
        elementId(xml, [&](const std::string& name) { return ObjectIdByName(windowId, name); });
    if (!named)
        return 0;
    const int32_t id = *named;

    readInt(xml, "bkmode", object.bkmode);
    readInt(xml, "gradmode", object.gradmode);
    readInt(xml, "fontsize", object.fontsize);
    for (auto [attribute, field] :
         {std::pair{"bkbegin", &object.bkbegin}, std::pair{"bkend", &object.bkend},
          std::pair{"bkhi", &object.bkhi}, std::pair{"border", &object.border},
          std::pair{"text", &object.text}, std::pair{"texthi", &object.texthi},
          std::pair{"textgray", &object.textgray}}) {
        const std::string value = xml.getAttrib(attribute);
        if (!value.empty())
            ParseColor(value, *field);
    }
    if (std::string name = xml.getAttrib("fontname"); !name.empty())
        object.fontname = std::move(name);
    if (std::string style = xml.getAttrib("fontstyle"); !style.empty())
        object.fontstyle = ParseFontStyle(style);

    objects[id] = std::move(object);
    return 1;
}

int CBaseSkin::ParseColorElement(CXmlparse& xml) {
    const std::optional<int32_t> named =
        elementId(xml, [this](const std::string& name) { return ColorIdByName(name); });
    if (!named)
        return 0;
    const int32_t id = *named;
    const std::string value = xml.getAttrib("value");
    if (value.empty())
        return 0;
    uint32_t color = 0;
    ParseColor(value, color);
    colors[id] = color;
    return 1;
}
