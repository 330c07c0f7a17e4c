HEADM adc "Small Room" room 2 2 0 plate-outl plate-outr ;=20,20,80,0
PLATE plate adc-in1 adc-in2 0.8 5 0.6 0.3 ;=140,20,80,0
TAIL "Tosk demo"
