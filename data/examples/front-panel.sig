HEADM adc "Panel Chorus" panel 2 2 1 mixl-out mixr-out page-page ;=20,40,80,0 f= 6,1,7,1,8,1,11,1,12,1,13,1
KNOB rate "Rate:%5.2f" 0.05 5 0.5 0.8 1 ;=140,140,80,0
KNOB depth "Depth:%5.2f" 0 1 0.5 0.6 2 ;=140,230,80,0
SELECTOR shape "Shape:%s" 3 1 0 Sine Triangle Square ;=20,230,80,0
TOGGLE bypass "Bypass:%s" 0 0 Off On ;=20,320,80,0
MENUPAGE page Chorus MENU 4 rate-obj depth-obj shape-obj bypass-obj ;=140,320,80,0
LFO lfo rate-out 1 0 ;=260,140,80,0 f= 2,1
CHORUS chl adc-in1 lfo-out depth-out 3 0.5 ;=380,40,80,0 f= 5,1
CHORUS chr adc-in2 lfo-out depth-out 3 0.5 ;=380,140,80,0 f= 5,1
MIX2 mixl chl-out adc-in1 0.7 0.3 ;=620,40,80,0 f= 3,1,4,1
MIX2 mixr chr-out adc-in2 0.7 0.3 ;=620,140,80,0 f= 3,1,4,1
TAIL "Tosk Examples"
