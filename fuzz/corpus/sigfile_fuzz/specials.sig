HEADM adc "Tap Studio" taps 2 2 1 mt2-left mt2-right notes-block ;=20,40,80,0 f= 6,1,7,1,8,1,11,1,12,1,13,1
N_EXTCONTROL midi 1 2 7 11 ;=20,160,80,0
C_CURVE ccurve midi-ctl1 4 0 0.3 0.7 1 ;=140,160,80,0
M_CURVE mcurve midi-ctl2 4 -1 -0.2 0.2 1 ;=140,260,80,0
M_UCURVE ucurve mcurve-out 4 0 0.1 0.5 1 ;=260,260,80,0
MULTIKNOB mknob ccurve-out 3 0.2 0.5 0.8 ;=260,160,80,0
MULTITAP mtap adc-in1 3 120 mknob-out 250 0.4 480 0.3 ucurve-out ;=380,40,80,0
MARKER mark ;=380,160,80,0
MULTITAP2 mt2 mtap-out 2 200 -0.5 400 0.5 ;=500,40,80,0
REMOTER remote 1 20 mtap feedback ;=500,160,80,0
TEXTBLOCK notes "Tap Studio" 24 2 "Three taps, spread in stereo." "Pedals on MIDI CC 7 and 11." ;=620,160,80,0
TAIL "Tosk Examples"
