HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj ;=20,40,80,0
SINE osc 220 0.5 ;=100,50,80,0
;Comment=5,6 between
GAIN g osc-out 1 ;=200,50,80,0
TAIL tail
;Comment=40,300 Voice one\nfeeds the output
;Comment=12.5,7 été \\ \x09 ;=1,2
;Comment=10,20
