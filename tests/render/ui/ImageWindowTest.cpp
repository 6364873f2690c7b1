// The image window and its export dialogs on real files: the hand-off of a render, zoom and fit,
// each save action, and the encoder options as libjpeg and libpng read them back.
#include "render/ui/PictureImage.h"
#include "render/ui/UnitImgRen.h"
#include "render/ui/UnitJpeg.h"

#include "controls/IniFileCompo.h"
#include "render/PictureDecoders.h"
#include "render/PictureFormats.h"
#include "scene/FileIO.h"
#include "render/Targa.h"
#include "support/PictureFacts.h"
#include "support/PicturePattern.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <gtest/gtest.h>

#include <deque>
#include <map>

using namespace kelvane;
using namespace kelvane::test;

namespace {

TPicture Pattern(int w, int h)
{
    return FillPicture(w, h, 3, [](int x, int y, std::uint8_t* q) {
        q[0] = std::uint8_t(x);
        q[1] = std::uint8_t(y * 3);
        q[2] = std::uint8_t((x ^ y) & 0xFF);
    });
}

struct TWindowFixture {
    TempDir dir;
    TIniFileCompo settings{dir / "kelvane"};
    TPictureDecoders decoders;
    TfrmImgRen window;
    QString openAnswer;
    std::deque<QString> saveAnswers;
    QStringList saveFilters, savePresets;
    QStringList saveExtensions;
    std::vector<QString> messages, errors;
    std::function<void(TfrmJpeg&)> onJpeg;
    std::function<void(TfrmPNG&)> onPng;

    TWindowFixture()
    {
        TImageWindowHooks hooks;
        hooks.settings = &settings;
        hooks.decoders = &decoders;
        hooks.programFolder = dir.Path();
        hooks.openFile = [this](const QString&, const QString&) { return openAnswer; };
        hooks.saveFile = [this](const QString&, const QString& filter, const QString& preset, const QStringList& ext) {
            saveFilters << filter;
            savePresets << preset;
            saveExtensions = ext;
            QString a = saveAnswers.empty() ? QString() : saveAnswers.front();
            if (!saveAnswers.empty())
                saveAnswers.pop_front();
            return a;
        };
        hooks.message = [this](const QString& t) { messages.push_back(t); };
        hooks.error = [this](const QString& t) { errors.push_back(t); };
        hooks.runExport = [this](TExportDialog& d) {
            d.FormShow();
            if (auto* jpeg = dynamic_cast<TfrmJpeg*>(&d); jpeg && onJpeg)
                onJpeg(*jpeg);
            if (auto* png = dynamic_cast<TfrmPNG*>(&d); png && onPng)
                onPng(*png);
        };
        hooks.outputName = [] { return QStringLiteral("shot"); };
        window.SetHooks(hooks);
    }
    void Save(const std::string& name)
    {
        saveAnswers.push_back(QString::fromStdString((dir / name).string()));
        window.btnSaveImgClick();
    }
};

} // namespace

TEST(ImageWindow, RenderHandOffFitsOnlyAHiddenWindow)
{
    TWindowFixture f;
    // Nothing shown yet: Save does nothing.
    f.window.btnSaveImgClick();
    EXPECT_TRUE(f.saveFilters.isEmpty());

    // Hidden window: shown fitted with "Fit to Size" down.
    f.window.ShowRendered(Pattern(400, 300));
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_TRUE(f.window.btnAllview->isChecked());
    const double rx = (f.window.scrImage->width() - 4) / 400.0, ry = (f.window.scrImage->height() - 4) / 300.0;
    EXPECT_DOUBLE_EQ(f.window.ZoomFactor(), std::min(rx, ry));

    // Visible window: the next picture stays at its natural size.
    f.window.ShowRendered(Pattern(64, 48));
    EXPECT_DOUBLE_EQ(f.window.ZoomFactor(), 1.0);
    EXPECT_FALSE(f.window.btnAllview->isChecked());
    EXPECT_EQ(f.window.imgView->size(), QSize(64, 48));
    // A resize refits only while "Fit to Size" is down.
    f.window.resize(f.window.width() + 100, f.window.height());
    EXPECT_DOUBLE_EQ(f.window.ZoomFactor(), 1.0);
}

TEST(ImageWindow, SavesTargaCopyBitmapAndRefusesOtherNames)
{
    TWindowFixture f;
    // The renderer's file carries an image ID a re-encoding would lose.
    std::string targa = EncodeTarga(Pattern(8, 4));
    targa[0] = 3;
    targa.insert(18, "yaf");
    f.dir.Write("LastRenderedImage.tga", targa);
    f.window.ShowRendered(Pattern(8, 4));
    f.Save("copy.tga");
    EXPECT_EQ(ReadAll(f.dir / "copy.tga"), targa);
    EXPECT_EQ(f.savePresets.back(), QStringLiteral("shot.tga"));
    EXPECT_EQ(f.saveExtensions, (QStringList{"", "tga", "bmp", "jpg", "png"}));

    f.Save("pic.bmp");
    RegisterImageFormatPlugins(f.decoders);
    EXPECT_EQ(f.decoders.Load(f.dir / "pic.bmp").pixels, Pattern(8, 4).pixels);


    // An opened file: no Targa copy, the proposal is its name as a bitmap.
    f.dir.Write("opened.tga", EncodeTarga(Pattern(5, 5)));
    f.openAnswer = QString::fromStdString((f.dir / "opened.tga").string());
    f.window.btnOpenImgClick();
    EXPECT_EQ(f.window.Mode(), TImageMode::Opened);
    EXPECT_EQ(f.window.lblTime->text(), f.openAnswer);
    f.Save("again.tga");
    EXPECT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.savePresets.back().toStdString(), (f.dir / "opened.bmp").string());
    EXPECT_EQ(f.saveExtensions, (QStringList{"", "bmp", "jpg", "png"}));
    // Rendered Image goes back to the render.
    f.window.btnShowRenClick();
    EXPECT_EQ(f.window.Mode(), TImageMode::Rendered);

    // A broken file is reported and the window keeps what it showed.
    f.dir.Write("broken.tga", "no targa");
    f.openAnswer = QString::fromStdString((f.dir / "broken.tga").string());
    f.window.btnOpenImgClick();
    EXPECT_EQ(f.errors.size(), 1u);
    EXPECT_EQ(f.window.Mode(), TImageMode::Rendered);
}

TEST(ImageWindow, JpegAndPngOptionsReachTheFiles)
{
    TWindowFixture f;
    f.window.ShowRendered(Pattern(40, 30));

    // A stored 2 leaves the box unticked.
    f.settings.WriteInteger("Save", "JpegProgressive", 2);
    f.onJpeg = [](TfrmJpeg& d) {
        EXPECT_FALSE(d.cbProgress->isChecked());
        d.TrackJpeg->setValue(10);
        d.cbProgress->setChecked(true);
        d.OKBtn->click();
    };
    f.Save("best.jpeg");
    const TJpegFacts best = ReadJpegFacts(ReadAll(f.dir / "best.jpeg"));
    EXPECT_TRUE(best.progressive);
    EXPECT_EQ(best.quantSum, 64u);  // quality 100
    EXPECT_EQ(f.settings.ReadInteger("Save", "JpegCompression", -1), 10);
    EXPECT_EQ(f.settings.ReadInteger("Save", "JpegProgressive", -1), 1);

    // Cancel writes neither the settings nor the file.
    f.onJpeg = [](TfrmJpeg& d) {
        EXPECT_EQ(d.TrackJpeg->value(), 10);
        d.TrackJpeg->setValue(0);
        d.CancelBtn->click();
    };
    f.Save("cancelled.jpg");
    EXPECT_FALSE(std::filesystem::exists(f.dir / "cancelled.jpg"));
    EXPECT_EQ(f.settings.ReadInteger("Save", "JpegCompression", -1), 10);

    f.onPng = [](TfrmPNG& d) {
        d.TrackPNG->setValue(9);
        d.filterButtons[2]->setChecked(true);  // Sub
        d.OKBtn->click();
    };
    f.Save("stored.png");
    const TPngFacts stored = ReadPngFacts(ReadAll(f.dir / "stored.png"), 40 * 3);
    EXPECT_EQ(stored.interlace, 0);
    EXPECT_EQ(stored.zlibLevelBits, 0);
    EXPECT_EQ(stored.filters, std::vector<int>(30, 1));
    EXPECT_EQ(f.settings.ReadInteger("Save", "PNGFilter", -1), 2);

    // A target that cannot be written: the error's text, the settings written all the same.
    f.onPng = [](TfrmPNG& d) {
        d.TrackPNG->setValue(3);
        d.OKBtn->click();
    };
    f.Save("missing/folder.png");
    ASSERT_EQ(f.errors.size(), 1u);
    EXPECT_TRUE(f.errors.front().contains(QStringLiteral("folder.png"))) << f.errors.front().toStdString();
    EXPECT_EQ(f.settings.ReadInteger("Save", "PNGCompression", -1), 3);
}

TEST(PictureHost, QtFormatsJoinAfterTheOwnDecoders)
{
    TPictureDecoders decoders;
    EXPECT_GT(RegisterImageFormatPlugins(decoders), 0);
    std::map<std::string, std::string> described;
    for (const auto& format : decoders.Formats())
        described[format.extension] = format.description;
    ASSERT_TRUE(described.count("bmp"));
    for (const char* own : {"tga", "png", "jpg", "jpeg"})
        EXPECT_EQ(described[own].find("Qt"), std::string::npos) << own;

    TempDir dir;
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(QColor(10, 20, 30));
    ASSERT_TRUE(image.save(QString::fromStdString((dir / "UPPER.BMP").string()), "BMP"));
    const TPicture picture = decoders.Load(dir / "UPPER.BMP");
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(std::vector<std::uint8_t>(picture.pixels.begin(), picture.pixels.begin() + 3),
              (std::vector<std::uint8_t>{10, 20, 30}));
    // A broken file of a Qt format is a message, not a crash.
    dir.Write("broken.bmp", "BM\x10");
    EXPECT_THROW(decoders.Load(dir / "broken.bmp"), EPictureError);
}

TEST(ImageWindow, AMadeUpFormatIsOfferedAndSavedThroughItsOptionsDialog)
{
    TWindowFixture f;
    // Its options are those of the PNG dialog, its encoder its own.
    int encoded = 0;
    TFormatRegistration raw({"Raw", {"raw"}, {},
                             [&](const std::filesystem::path& target, const TPicture& picture, const TIniFileCompo* s) {
                                 ++encoded;
                                 EXPECT_NE(s, nullptr);
                                 WriteFileAtomic(target, std::string(size_t(picture.width), 'x'));
                             },
                             "raw-options", "Raw(*.raw)"});
    RegisterExportDialog("raw-options", [](TIniFileCompo& settings, TPicture picture, std::filesystem::path target,
                                           TExportError error, QWidget* parent) -> std::unique_ptr<TExportDialog> {
        return std::make_unique<TfrmPNG>(settings, std::move(picture), std::move(target), std::move(error), parent);
    });
    bool asked = false;
    f.onPng = [&](TfrmPNG& dialog) {
        asked = true;
        dialog.OKBtnClick();
    };
    f.window.ShowRendered(Pattern(8, 4));
    f.Save("pic.raw");
    RegisterExportDialog("raw-options", nullptr);
    EXPECT_EQ(f.saveExtensions.back(), QStringLiteral("raw"));
    EXPECT_TRUE(asked);
    EXPECT_EQ(encoded, 1);
    EXPECT_EQ(ReadAll(f.dir / "pic.raw"), "xxxxxxxx");
}
