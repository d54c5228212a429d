// The windowing toolkit: components with ownership and removal notices, the
// application object, forms and their controls, timers, pop-up menus and
// icons.
//
// Every rule of behaviour lives here, once, above the backends: owned
// components freed by their owner last-created first, removal notices,
// forms that hide on close unless they are the main form, the AutoPopup
// switch, nested message processing, the error box for an exception that
// leaves a handler, a check box whose handler runs when its state changes
// (from code or from the user) and never when it keeps it, no input for a
// disabled or hidden control, tab order, alignment of panels, and sizes and
// fonts described in 96-DPI pixels and scaled to the window's DPI.
//
// Its rooms, one header and source each, under toolkit/:
// component (ownership and notices), menus (icons, pop-up menus), controls,
// edit (the edit box and the person's text), timer, forms (forms and modal
// show) and application (the application object and the one message pump).
#pragma once

#include "toolkit/application.h"
#include "toolkit/component.h"
#include "toolkit/controls.h"
#include "toolkit/edit.h"
#include "toolkit/forms.h"
#include "toolkit/menus.h"
#include "toolkit/timer.h"
