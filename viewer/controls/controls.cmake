# The owner-drawn control kit and the viewer's own controls.
