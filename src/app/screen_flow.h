// The two windows and how the program moves between them: the menu Form1 is
// made and shown at start; the game window con_obj is made by the first
// "Aceptar" (its Form_Load runs then) and afterwards only hidden and shown,
// with Form_Activate at every showing. Closing either window ends the program.
//
// Start-up does nothing the menu does not need: the outside components (the
// sound player and its connection to the sound server, the drive's folder),
// the game window's fonts and its pictures are made ready once the menu has
// been painted, while it waits for the learner.
#pragma once

#include "media/media.h"

#include <functional>
#include <memory>

namespace korivanta {

class ConObj;
class Form1;

class ScreenFlow {
public:
    explicit ScreenFlow(Media media);
    // The components are made by `makeMedia` once the menu is on screen, or by
    // the first "Aceptar" if that comes first.
    explicit ScreenFlow(std::function<Media()> makeMedia);
    ~ScreenFlow();

    void start();      // program start: make Form1 and show it
    void showConObj(); // show the game window, making it the first time
    void showForm1();  // show the menu again
    void end();        // end the program at once

    Form1 &form1() { return *m_form1; }
    ConObj *conObj() { return m_conObj.get(); } // null until the first "Aceptar"
    bool hasEnded() const { return m_ended; }
    const Media &media(); // makes the components the first time

    // Runs on the game window right after it is made, before its load (tests
    // use it to watch the window's first moments).
    void setConObjCreatedHook(std::function<void(ConObj &)> hook) { m_conObjCreated = std::move(hook); }

private:
    std::function<Media()> m_makeMedia; // empty once the components are made
    Media m_media;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<ConObj> m_conObj;
    bool m_ended = false;
    std::function<void(ConObj &)> m_conObjCreated;
};

} // namespace korivanta
