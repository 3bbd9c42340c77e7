// The control views of each kind (see control_view.h); CreateControlView picks one.
#pragma once

class ControlView;

ControlView* NewNumericView(int panel, int control);
ControlView* NewSlideView(int panel, int control);
ControlView* NewStringView(int panel, int control);
ControlView* NewTextBoxView(int panel, int control);
ControlView* NewTextMessageView(int panel, int control);
ControlView* NewDecorationView(int panel, int control);
ControlView* NewCommandButtonView(int panel, int control);
ControlView* NewTwoStateView(int panel,
                             int control); // toggle buttons, binary switches, check boxes
ControlView* NewRingView(int panel, int control);
ControlView* NewGraphView(int panel, int control);
