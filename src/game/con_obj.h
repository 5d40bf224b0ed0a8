// con_obj: the game window. The window and its controls are the game's state:
// each handler reads and writes the controls' properties in turn.
#pragma once

#include "app/variant.h"
#include "media/media.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korivanta {

class AnimationPlayer;
class DataControl;
class ImageControl;
class KeyFocus;
class ScreenFlow;
class SoundPlayer;

class ConObj : public QWidget {
    Q_OBJECT
public:
    ConObj(ScreenFlow &flow, const Media &media, QWidget *parent = nullptr);
    ~ConObj() override;

    // Word setup.
    void Form_Load();
    void Form_Activate();
    void Data1_Reposition();

    // The grapheme keyboard.
    void Image10_Click(int index);

    // Completion and short-lived feedback.
    void Marchoso1_AnimationEnd(int reserved);
    void Command1_Click();
    void Image1_MouseMove();
    void Image10_MouseMove(int index);
    void Form_MouseMove(float x, float y);

    // Navigation.
    void Image2_Click();
    void Image6_Click();
    void Image7_Click();
    void Image40_Click();

    // The grapheme panel.
    void Image5_Click();
    void Command38_Click();
    void Image75_Click(int index);

    const Variant &palabra() const { return m_palabra; }
    const QString &mascara() const { return m_mascara; }
    DataControl &data1() { return *m_data1; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    friend class KeyFocus; // plays the window from the keyboard

    void buildControls();
    void buildKeyboard();
    void buildCompletionPanel();
    void buildGraphemePanel();
    void stackControls();
    void runCategoryQuery(bool setBoardTitle);
    void setMaskBox(const QString &text);

    ScreenFlow &m_flow;
    Media m_media;
    SoundPlayer &m_sndDevil1;
    std::unique_ptr<DataControl> m_data1;
    QPixmap m_background;

    // Form-level variables.
    Variant m_palabra;
    QString m_mascara;

    // Controls, by their names.
    ImageControl *m_image1, *m_image2, *m_image4, *m_image5, *m_image6, *m_image7, *m_image40;
    ImageControl *m_image73, *m_image74, *m_image3;
    std::array<ImageControl *, 32> m_image10{}, m_image41{}, m_image75{};
    QLabel *m_label1, *m_label3, *m_label11, *m_label12;
    QLineEdit *m_text1, *m_text2, *m_text3, *m_text4, *m_text5;
    ImageControl *m_picture1;
    QWidget *m_data1Widget;
    QFrame *m_frame2;
    QPushButton *m_command1, *m_command38;
    AnimationPlayer *m_marchoso1, *m_marchoso2;
};

} // namespace korivanta
