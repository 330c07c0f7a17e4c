HEAD adc "Old Flanger" old 2 1 flr-out fll-out adc-nullobj ;=20,40,80,0
FLANGER fll adc-left adc-pedal 0.5 0.4 0.5 ;=140,40,80,0
FLANGER flr adc-right 0.3 0.5 0.4 0.5 ;=140,140,80,0
TAIL "Tosk Examples"
