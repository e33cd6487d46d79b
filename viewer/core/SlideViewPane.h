// What the main frame asks of the slide view that fills it.
#pragma once

#include "Framework.h"

class ISlideViewPane {
public:
    virtual ~ISlideViewPane() = default;

    // The view's window, created by the frame as its pane.
    virtual CWnd* GetPaneWnd() = 0;
    virtual void ConnectServer(LPCSTR address) = 0;
    virtual void OpenSlidePath(LPCSTR path) = 0;
    // With apply 0 only stores the magnification for the next slide.
    virtual int SetMagnification(double magnification, int apply) = 0;
    // The ruler list's index and its scale bar length; the view repaints and
    // calls the frame's SelectRuler back.
    virtual void SetRuler(int index, int lengthMm) = 0;
    // The field number in the screen settings changed.
    virtual void RebuildSlideInfo() = 0;
    virtual void ToggleEyepieceField() = 0;
    virtual BOOL IsEyepieceFieldOn() const = 0;
    // Before the menu bar appears or goes, so that floating windows keep their place.
    virtual void RememberScreenOrigin() = 0;
};
