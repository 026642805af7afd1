// Times the web browser control: layout and paint of a catalogue-like page of 40 entries in
// a 305 × 441 view, and the work of one animation frame of a 400 × 300 GIF (decoding the
// frame, then repainting the picture's rectangle). Prints medians of many runs.
// Usage: bench_browser [RUNS]   (run with QT_QPA_PLATFORM=offscreen)
#include "CpuTime.h"
#include "gifwriter/GifWriter.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/browser/WebBrowser.h"
#include "platform/toolkit/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMovie>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using platform::browser::WebBrowser;

namespace {

QString CataloguePage() {
    QString page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n<html><head>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
        "<title>Заголовок</title></head><body topmargin=0 leftmargin=0 rightmargin=0>"
        "<center><font size=5>Мои программы</font><br><font size=4>"
        "http://orbelune.example/site/</font></center><table width='100%' "
        "cellpadding=2 cellspacing=0><tr><td bgcolor='#3366cc'><table width='100%' "
        "cellpadding=4 cellspacing=0><tr><td bgcolor='white'><font face='Times New "
        "Roman' color='black'>\r\n";
    for (int i = 1; i <= 40; ++i) {
        page += QString("%1<a href='http://orbelune.example/p%2/'><b>Программа номер %2 "
                        "v%2.0</b></a> - %3Описание программы, которое занимает несколько строк "
                        "в узкой панели и рассказывает, что она делает (%2,5 Мб). Посмотрите "
                        "видео о программе <a href='http://video.example/%2'>здесь</a>\r\n")
                    .arg(i == 1 ? "" : "<p>")
                    .arg(i)
                    .arg(i % 5 == 0 ? "<font color=red size=5>новая версия</font> " : "");
    }
    return page + "</font></td></tr></table></td></tr></table></body></html>\r\n";
}

QString WriteBigGif(const QTemporaryDir& dir) {
    gifwriter::Animation animation;
    animation.width = 400;
    animation.height = 300;
    animation.palette = {{0, 0, 0}, {250, 200, 40}, {40, 120, 250}, {230, 60, 40}};
    for (int f = 0; f < 60; ++f) {
        gifwriter::Frame frame;
        frame.delayCs = 4;
        frame.pixels.assign(400 * 300, 0);
        // A moving disc over a striped band: realistic runs for the compressor.
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                const int dx = x - (50 + f * 5), dy = y - 150;
                if (dx * dx + dy * dy < 60 * 60)
                    frame.pixels[y * 400 + x] = 1 + (x / 8 + f) % 2;
                else if (y > 250 && (x + f) % 16 < 8)
                    frame.pixels[y * 400 + x] = 3;
            }
        animation.frames.push_back(std::move(frame));
    }
    const QString path = dir.filePath("big.gif");
    return gifwriter::WriteGif(path.toStdString(), animation).empty() ? path : QString();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    platform::InstallFontSubstitutes();
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;

    // Layout and paint of the catalogue.
    WebBrowser view;
    view.resize(305, 441);
    view.show();
    view.Navigate2("about:<html><body></body></html>");
    if (!QTest::qWaitFor([&] { return view.Document() != nullptr; })) {
        std::fprintf(stderr, "the view produced no document\n");
        return 1;
    }
    const QString catalogue = CataloguePage();
    QImage target(view.size(), QImage::Format_RGB32);
    std::vector<double> layout, paint;
    for (int i = 0; i < runs; ++i) {
        const double t0 = CpuMs();
        view.Document()->Clear();
        view.Document()->Write(catalogue);
        view.Document()->Close();
        const double t1 = CpuMs();
        QPainter painter(&target);
        view.render(&painter);
        painter.end();
        const double t2 = CpuMs();
        layout.push_back(t1 - t0);
        paint.push_back(t2 - t1);
    }

    // One frame of a 400 × 300 animation: decoding, then repainting its rectangle.
    QTemporaryDir dir;
    const QString gif = WriteBigGif(dir);
    view.resize(420, 320);
    view.Document()->Clear();
    view.Document()->Write("<html><body scroll='no' topmargin=0 leftmargin=0 bgcolor='#000000'>"
                           "<img src='" +
                           gif + "'></body></html>");
    view.Document()->Close();
    QMovie movie(gif);
    movie.setCacheMode(QMovie::CacheNone);
    std::vector<double> decode, repaint;
    QImage frameTarget(view.viewport()->size(), QImage::Format_RGB32);
    for (int i = 0; i < std::max(runs, 60); ++i) {
        const double t0 = CpuMs();
        if (!movie.jumpToNextFrame())
            movie.jumpToFrame(0);
        const double t1 = CpuMs();
        QPainter painter(&frameTarget);
        view.viewport()->render(&painter, QPoint(), QRegion(0, 0, 400, 300));
        painter.end();
        const double t2 = CpuMs();
        decode.push_back(t1 - t0);
        repaint.push_back(t2 - t1);
    }

    std::printf("catalogue page, 40 entries, 305 x 441 view (median of %d, CPU ms)\n", runs);
    std::printf("  parse + layout: %.2f ms\n", Median(layout));
    std::printf("  paint:          %.2f ms\n", Median(paint));
    std::printf("400 x 300 GIF, one animation frame (median of %zu, CPU ms)\n", decode.size());
    std::printf("  decode (Qt):    %.3f ms\n", Median(decode));
    std::printf("  repaint rect:   %.3f ms\n", Median(repaint));
    return 0;
}
