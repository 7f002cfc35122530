#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>

namespace {

int fail(const char* what, const QString& path)
{
    std::fprintf(stderr, "quillory-guidepdf: %s '%s'\n", what, qPrintable(path));
    return 1;
}

} // namespace

// quillory-guidepdf GUIDE.md OUT.pdf: lays the Markdown out on A4 pages with page numbers.
int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: quillory-guidepdf GUIDE.md OUT.pdf\n", stderr);
        return 2;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly))
        return fail("cannot read", args[1]);
    QTextDocument doc;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setMarkdown(QString::fromUtf8(source.readAll()));

    // Written beside the target and renamed, so that a failed run leaves no half file.
    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly))
        return fail("cannot write", args[2]);
    QPdfWriter pdf(&out);
    pdf.setTitle(QStringLiteral("Quillory User Guide"));
    pdf.setCreator(QStringLiteral("quillory-guidepdf"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    pdf.setResolution(300);

    QPainter painter(&pdf);
    const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const qreal footer = pdf.resolution() * 0.35; // room for the page number
    QSizeF textSize(page.width(), page.height() - footer);
    // Lay out in the painter's pixels so that fonts and page breaks match the output.
    doc.documentLayout()->setPaintDevice(&pdf);
    doc.setPageSize(textSize);
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            pdf.newPage();
        painter.save();
        painter.translate(0, -i * textSize.height());
        doc.drawContents(&painter,
                         QRectF(0, i * textSize.height(), textSize.width(), textSize.height()));
        painter.restore();
        painter.setFont(body);
        painter.drawText(QRectF(0, page.height() - footer, page.width(), footer),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
    }
    if (!painter.end())
        return fail("cannot render", args[2]);
    if (!out.commit())
        return fail("cannot write", args[2]);
    return 0;
}
