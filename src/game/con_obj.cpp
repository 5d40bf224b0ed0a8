#include "game/con_obj.h"

#include "app/coloured_button.h"
#include "app/fonts.h"
#include "app/screen_flow.h"
#include "app/twips.h"
#include "app/untrapped_error.h"
#include "game/accessibility.h"
#include "game/announcements.h"
#include "game/con_obj_layout.h"
#include "game/data_control.h"
#include "game/image_control.h"
#include "game/key_focus.h"
#include "game/keyboard_table.h"
#include "game/window_pictures.h"
#include "graphemes/chart_table.h"
#include "media/animation_player.h"
#include "media/media_files.h"
#include "media/media_paths.h"
#include "media/sound_player.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace korivanta {

namespace {

constexpr QColor kWindowColor(128, 64, 64);
constexpr QColor kMaskBoxColor(192, 255, 192);

QRect rectOf(std::string_view name)
{
    const ControlRect &c = controlRect(name);
    return fromTwips(c.left, c.top, c.width, c.height);
}

QFont controlFont(const char *family, double points, bool bold)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    chooseFace(f);
    return f;
}

const QCursor &handCursor()
{
    static const QCursor cursor = [] {
        const QPixmap hand(QStringLiteral(":/pictures/hand.ico"));
        // The tip of the raised index finger is the hot spot.
        return hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, 10, 1);
    }();
    return cursor;
}

// Controls without a handler of their own still take the pointer movements
// over them, so the window's own surface never sees those.
void keepPointerMoves(QWidget *w)
{
    w->setAttribute(Qt::WA_NoMousePropagation);
    w->setMouseTracking(true);
}

// A label: transparent, its text centred at the top, in its own colour. The
// text is shown as it is, never read as markup: a word from the database may
// hold "<", ">" or "&".
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QColor color, const QFont &f,
                  const QString &accessible)
{
    auto *l = new BoardLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    l->setObjectName(QString::fromLatin1(name));
    l->setAccessibleName(accessible);
    l->setGeometry(rectOf(name));
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    keepPointerMoves(l);
    return l;
}

} // namespace

ConObj::ConObj(ScreenFlow &flow, const Media &media, QWidget *parent)
    : QWidget(parent), m_flow(flow), m_media(media), m_sndDevil1(*media.sound),
      m_data1(std::make_unique<DataControl>(*media.paths, QString::fromUtf16(kDatabasePath), QStringLiteral("nominal")))
{
    setObjectName(QStringLiteral("con_obj"));
    setWindowTitle(QStringLiteral("Conocer Objetos"));
    setAccessibleName(QStringLiteral("Conocer Objetos"));
    const QSize client = sizeFromTwips(kConObjClientWidth, kConObjClientHeight);
    setGeometry(QRect(QPoint(pixels(kConObjLeft), pixels(kConObjTop)), client));
    setFixedSize(client);
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.ico")));
    m_background = windowPicture(QStringLiteral("background.bmp"));
    setMouseTracking(true);

    buildControls();
    buildKeyboard();
    buildCompletionPanel();
    buildGraphemePanel();
    stackControls();

    m_data1->bind(QStringLiteral("nom_esp"), [this](const QString &v) { m_text1->setText(v); });
    m_data1->bind(QStringLiteral("nom_esp"), [this](const QString &v) { m_label1->setText(v); });
    m_data1->bind(QStringLiteral("nom_ay"), [this](const QString &v) { m_text2->setText(v); });
    m_data1->setRepositionHandler([this] { Data1_Reposition(); });

    // The grapheme sounds are decoded once, so that a key press reads no disk.
    QStringList graphemeSounds;
    for (const KeyRow &k : kKeyboard)
        graphemeSounds << QString::fromUtf16(kKeyboardSoundFolder) + QString::fromUtf16(k.grapheme) +
                              QStringLiteral(".wav");
    m_sndDevil1.preload(graphemeSounds);

    new KeyFocus(*this);
    new Announcements(*this);
}

ConObj::~ConObj() = default;

void ConObj::buildControls()
{
    auto hotspot = [this](const char *name, const QString &accessible) {
        auto *w = new ImageControl(this);
        w->setObjectName(QString::fromLatin1(name));
        w->setAccessibleName(accessible);
        w->setGeometry(rectOf(name));
        w->setCursor(handCursor());
        return w;
    };
    m_image1 = hotspot("Image1", QStringLiteral("Botones"));
    m_image2 = hotspot("Image2", QStringLiteral("Sonido"));
    m_image5 = hotspot("Image5", QStringLiteral("Grafemario"));
    m_image6 = hotspot("Image6", QStringLiteral("Siguiente"));
    m_image7 = hotspot("Image7", QStringLiteral("Respuesta"));
    m_image40 = hotspot("Image40", QStringLiteral("Volver"));
    m_image7->hide();

    m_image4 = new ImageControl(this);
    m_image4->setObjectName(QStringLiteral("Image4"));
    m_image4->setAccessibleName(QStringLiteral("Dibujo"));
    m_image4->setGeometry(rectOf("Image4"));
    m_image4->setStretch(true);
    m_image4->setBorder(true);

    auto sign = [this](const char *name, const QString &picture, const QString &accessible) {
        auto *w = new ImageControl(this);
        w->setObjectName(QString::fromLatin1(name));
        w->setAccessibleName(accessible);
        w->setGeometry(rectOf(name));
        w->setPicture(windowPicture(picture));
        w->hide();
        return w;
    };
    m_image73 = sign("Image73", QStringLiteral("jisaw.bmp"), QStringLiteral("Jisaw"));
    m_image74 = sign("Image74", QStringLiteral("janiw.bmp"), QStringLiteral("Janiw"));

    m_label3 = makeLabel(this, "Label3", QStringLiteral("PALABRA"), QColor(64, 64, 0),
                         controlFont("Times New Roman", 12, true), QStringLiteral("Categoría"));
    m_label1 = makeLabel(this, "Label1", QStringLiteral("Label1"), QColor(0, 64, 0),
                         controlFont("MS Sans Serif", 8.25, true), QStringLiteral("Palabra en castellano"));

    auto textBox = [this](const char *name, const QString &text, QColor color, QColor back, const QFont &f,
                          Qt::Alignment align, const QString &accessible) {
        auto *t = new QLineEdit(text, this);
        t->setObjectName(QString::fromLatin1(name));
        t->setAccessibleName(accessible);
        t->setGeometry(rectOf(name));
        t->setFont(f);
        t->setAlignment(align | Qt::AlignVCenter);
        QPalette p = t->palette();
        p.setColor(QPalette::Text, color);
        p.setColor(QPalette::Base, back);
        p.setColor(QPalette::Window, back);
        t->setPalette(p);
        // The standard arrow over every box, the hidden ones included.
        t->setCursor(Qt::ArrowCursor);
        keepPointerMoves(t);
        return t;
    };
    m_text5 = textBox("Text5", QStringLiteral("......\r\n"), QColor(0, 64, 0), kMaskBoxColor,
                      controlFont("Arial Black", 12, false), Qt::AlignHCenter, QStringLiteral("Palabra"));
    m_text3 = textBox("Text3", QStringLiteral("Text3"), QColor(0, 0, 192), QColor(255, 192, 128),
                      controlFont("Arial", 11.25, true), Qt::AlignLeft, QStringLiteral("Puntos"));
    m_text4 = textBox("Text4", QStringLiteral("Text4"), QColor(255, 0, 0), QColor(255, 192, 128),
                      controlFont("Arial", 11.25, true), Qt::AlignLeft, QStringLiteral("Vidas"));
    m_text1 =
        textBox("Text1", QStringLiteral("Text1"), QColor(64, 64, 0), QColor(255, 255, 128),
                controlFont("Times New Roman", 9.75, true), Qt::AlignHCenter, QStringLiteral("Palabra en castellano"));
    m_text2 = textBox("Text2", QStringLiteral("Text2"), QColor(0, 0, 0), QColor(224, 224, 224),
                      controlFont("MS Sans Serif", 8.25, false), Qt::AlignHCenter, QStringLiteral("Palabra en aymara"));
    // The learner reads these boxes but never types in them: the completion
    // check reads the mask box.
    for (QLineEdit *t : {m_text3, m_text4, m_text5}) {
        t->setReadOnly(true);
        t->setFocusPolicy(Qt::NoFocus);
    }
    m_text1->hide();
    m_text1->setEnabled(false);
    m_text2->hide();

    m_data1Widget = new QWidget(this);
    m_data1Widget->setObjectName(QStringLiteral("Data1"));
    m_data1Widget->setAccessibleName(QStringLiteral("Lista de palabras"));
    m_data1Widget->setGeometry(rectOf("Data1"));
    m_data1Widget->hide();

    auto player = [this](const char *name, const QString &accessible) {
        AnimationPlayer *a = m_media.makeAnimationPlayer(this);
        a->setObjectName(QString::fromLatin1(name));
        a->setAccessibleName(accessible);
        a->setGeometry(rectOf(name));
        a->setBackColor(kWindowColor);
        keepPointerMoves(a);
        return a;
    };
    m_marchoso2 = player("Marchoso2", QStringLiteral("Instrucciones"));
    m_marchoso1 = player("Marchoso1", QStringLiteral("Mano"));
    m_marchoso1->hide();
    // Marchoso2's stored picture: the instructions, until the load plays them.
    m_marchoso2->setAnimationFile(QString::fromUtf16(kInstructionAnimation));

    connect(m_marchoso1, &AnimationPlayer::AnimationEnd, this,
            [this](int reserved) { runHandler([&] { Marchoso1_AnimationEnd(reserved); }); });
    connect(m_image1, &ImageControl::mouseMoved, this, [this] { runHandler([&] { Image1_MouseMove(); }); });
    connect(m_image2, &ImageControl::clicked, this, [this] { runHandler([&] { Image2_Click(); }); });
    connect(m_image5, &ImageControl::clicked, this, [this] { runHandler([&] { Image5_Click(); }); });
    connect(m_image6, &ImageControl::clicked, this, [this] { runHandler([&] { Image6_Click(); }); });
    connect(m_image7, &ImageControl::clicked, this, [this] { runHandler([&] { Image7_Click(); }); });
    connect(m_image40, &ImageControl::clicked, this, [this] { runHandler([&] { Image40_Click(); }); });
}

void ConObj::buildKeyboard()
{
    for (int i = 0; i < int(kKeyboard.size()); ++i) {
        const KeyRow &k = kKeyboard[i];
        auto *key = new ImageControl(this);
        key->setObjectName(QStringLiteral("Image10_%1").arg(i));
        key->setAccessibleName(QString::fromUtf16(k.grapheme));
        key->setGeometry(fromTwips(k.left, k.top, k.width, k.height));
        key->setPicture(windowPicture(keyPictureName(i, false)));
        key->setCursor(handCursor());
        if (k.tooltip)
            key->setToolTip(QLatin1Char('"') + QString::fromUtf16(k.tooltip) + QLatin1Char('"'));
        connect(key, &ImageControl::clicked, this, [this, i] { runHandler([&] { Image10_Click(i); }); });
        connect(key, &ImageControl::mouseMoved, this, [this, i] { runHandler([&] { Image10_MouseMove(i); }); });
        m_image10[i] = key;
    }
    for (int overlay = 0; overlay < int(kKeyboard.size()); ++overlay) {
        const int keyIndex = keyUnderOverlay(overlay);
        const KeyRow &k = kKeyboard[keyIndex];
        auto *cover = new ImageControl(this);
        cover->setObjectName(QStringLiteral("Image41_%1").arg(overlay));
        cover->setAccessibleName(QStringLiteral("Tecla usada %1").arg(QString::fromUtf16(k.grapheme)));
        cover->setGeometry(fromTwips(k.left, k.top, k.width, k.height));
        cover->setPicture(windowPicture(keyPictureName(keyIndex, true)));
        cover->setCursor(Qt::ArrowCursor);
        cover->hide();
        m_image41[overlay] = cover;
    }
}

void ConObj::buildCompletionPanel()
{
    m_picture1 = new ImageControl(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setAccessibleName(QStringLiteral("Felicidades"));
    m_picture1->setGeometry(rectOf("Picture1"));
    m_picture1->setPicture(windowPicture(QStringLiteral("panel.bmp")));
    m_picture1->hide();

    m_command1 = new QPushButton(QStringLiteral("wali"), m_picture1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setAccessibleName(QStringLiteral("wali"));
    m_command1->setGeometry(rectOf("Command1"));
    m_command1->setFont(controlFont("MS Sans Serif", 8.25, false));
    m_command1->setCursor(handCursor());
    paintButtonIn(m_command1, QColor(255, 255, 0));
    connect(m_command1, &QPushButton::clicked, this, [this] { runHandler([&] { Command1_Click(); }); });

    m_label11 = makeLabel(m_picture1, "Label11", QStringLiteral("Label11"), QColor(0, 0, 255),
                          controlFont("MS Sans Serif", 8.25, true), QStringLiteral("Palabra en castellano"));
    m_label12 = makeLabel(m_picture1, "Label12", QStringLiteral("Label12"), QColor(0, 64, 0),
                          controlFont("Arial", 9, true), QStringLiteral("Palabra en aymara"));
    // Front to back: Command1, Label11, Label12.
    m_label12->raise();
    m_label11->raise();
    m_command1->raise();
}

void ConObj::buildGraphemePanel()
{
    m_frame2 = new QFrame(this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setAccessibleName(QStringLiteral("Grafemario"));
    m_frame2->setGeometry(rectOf("Frame2"));
    m_frame2->setAutoFillBackground(true);
    QPalette p = m_frame2->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 128));
    m_frame2->setPalette(p);
    keepPointerMoves(m_frame2);

    m_image3 = new ImageControl(m_frame2);
    m_image3->setObjectName(QStringLiteral("Image3"));
    m_image3->setAccessibleName(QStringLiteral("Tabla de grafemas"));
    m_image3->setGeometry(rectOf("Image3"));
    m_image3->setPicture(windowPicture(QStringLiteral("chart.bmp")));

    for (int i = 0; i < int(kChart.size()); ++i) {
        const ChartRow &c = kChart[i];
        auto *area = new ImageControl(m_frame2);
        area->setObjectName(QStringLiteral("Image75_%1").arg(i));
        area->setAccessibleName(QStringLiteral("Grafema %1").arg(QString::fromUtf16(c.grapheme)));
        area->setGeometry(fromTwips(c.left, c.top, c.width, c.height));
        area->setCursor(handCursor());
        connect(area, &ImageControl::clicked, this, [this, i] { runHandler([&] { Image75_Click(i); }); });
        m_image75[i] = area;
    }

    m_command38 = new QPushButton(QStringLiteral("Volver"), m_frame2);
    m_command38->setObjectName(QStringLiteral("Command38"));
    m_command38->setAccessibleName(QStringLiteral("Volver"));
    m_command38->setGeometry(rectOf("Command38"));
    m_command38->setFont(controlFont("Comic Sans MS", 12, false));
    m_command38->setCursor(handCursor());
    paintButtonIn(m_command38, QColor(0, 192, 192));
    connect(m_command38, &QPushButton::clicked, this, [this] { runHandler([&] { Command38_Click(); }); });

    // Front to back: Command38, the areas, the chart.
    for (ImageControl *area : m_image75)
        area->raise();
    m_command38->raise();
}

// Front to back on the window: the windowed controls, then the windowless
// ones, each group in its own order. Raising from the back makes that order.
void ConObj::stackControls()
{
    std::vector<QWidget *> backToFront = {m_image4, m_label3};
    for (ImageControl *key : m_image10)
        backToFront.push_back(key);
    for (QWidget *w : std::initializer_list<QWidget *>{m_image1, m_image5, m_image6, m_image7, m_image40, m_label1})
        backToFront.push_back(w);
    for (ImageControl *cover : m_image41)
        backToFront.push_back(cover);
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_image73, m_image74, m_image2, m_picture1, m_text1, m_text5, m_data1Widget,
                                          m_text2, m_marchoso1, m_text3, m_text4, m_frame2, m_marchoso2})
        backToFront.push_back(w);
    for (QWidget *w : backToFront)
        w->raise();

    // Tab order of the controls that can take the focus: Command38, Text1,
    // Text2, Command1 (the reading boxes take none).
    setTabOrder(m_command38, m_text1);
    setTabOrder(m_text1, m_text2);
    setTabOrder(m_text2, m_command1);
}

void ConObj::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform); // only a fractional scale factor resamples
    p.fillRect(rect(), kWindowColor);
    p.drawPixmap(0, 0, m_background); // unscaled; its bottom rows fall outside
}

void ConObj::mouseMoveEvent(QMouseEvent *event)
{
    const float x = toTwips(event->position().x());
    const float y = toTwips(event->position().y());
    runHandler([&] { Form_MouseMove(x, y); });
}

void ConObj::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_flow.end();
}

// The box shows the start of a word longer than itself, as a text box does
// when its text is set (a line edit would keep its end in view).
void ConObj::setMaskBox(const QString &text)
{
    m_text5->setText(text);
    m_text5->setCursorPosition(0);
}

} // namespace korivanta
