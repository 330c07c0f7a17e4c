HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj
;Ss=GROUP 3, VOICE, v ;=100,50
SINE osc 220 0.5 ;= f= 2,1
A_TO_A n1 osc-out ;=200,50,80,0
GAIN g n1-out 1
;Ss=GROUP 1, LFO
SINE s 330 0.5
LFO lfo 1 1 0
SINE t lfo-out 0.5
;Ss=GROUP 1, "MY;TYPE" "é, b" ;=10,20
TEXTBLOCK notes "Écho" 24 3 "a;b" ";x" "''q''"
GAIN h "" 1
TAIL "The Author"
