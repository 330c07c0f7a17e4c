HEADM adc "Large Hall" hall 2 2 0 hall-outl hall-outr ;=20,20,80,0
GAIN trimL adc-in1 0.8 ;=140,20,80,0
GAIN trimR adc-in2 0.8 ;=140,80,80,0
HALL hall trimL-out trimR-out 0.9 4.5 40 0.85 0.4 ;=260,20,80,0
TAIL "Tosk demo"
