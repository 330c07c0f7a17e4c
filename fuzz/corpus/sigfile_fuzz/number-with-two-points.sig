HEADM adc "Stereo Chorus" demo 2 2 1 mixl-out mixr-out page-page ;=20,40,80,0 f= 6,1,7,1,8,1,11,1,12,1,13,1
KNOB rate "Rate:%5.2f" 0.05 5 .800. 5 1 ;=140,140,80,0
KNOB depth "Depth:%5.2f" 0 1 0.5 0.6 2 ;=140,230,80,0
WAVEFORM wave 32 0 0.1951 0.3827 0.5556 0.7071 0.8315 0.9239 0.9808 1 0.9808 0.9239 0.8315 0.7071 0.5556 0.3827 0.1951 0 -0.1951 -0.3827 -0.5556 -0.7071 -0.8315 -0.9239 -0.9808 -1 -0.9808 -0.9239 -0.8315 -0.7071 -0.5556 -0.3827 -0.1951 ;=260,320,80,0
MENUPAGE page Chorus MENU 2 rate-obj depth-obj ;=140,320,80,0Fl
OL fo rate-out 1 0 ;=260,140,80,0 f= 2,1
WAVEOSC wosc wave-table rate-out 1 ;=380,320,80,0 f= 3,1
CHORUS chl adc-in1 lfo-out depth-out 3  f= 3,1,4,1
TAIL "Tosk Examples"
