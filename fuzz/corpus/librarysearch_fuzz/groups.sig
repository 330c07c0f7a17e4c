HEADM adc "Grouped Voices" groups 2 2 1 mix-out mix-out adc-nullobj ;=20,40,80,0 f= 6,1,7,1,8,1,11,1,12,1,13,1
;Ss=GROUP 2, PAIR, both ;=140,40,80,0
;Ss=GROUP 2, VOICE, v1 ;=140,40,80,0
SINE osc1 110 0.5 ;=140,40,80,0
LOWPASS lp1 osc1-out 800 0.7 ;=260,40,80,0
;Ss=GROUP 2, VOICE, v2 ;=140,160,80,0
SINE osc2 165 0.5 ;=140,160,80,0
LOWPASS lp2 osc2-out 1200 0.7 ;=260,160,80,0
MIX2 mix lp1-out lp2-out 0.5 0.5 ;=420,40,80,0 f= 3,1,4,1
TAIL "Tosk Examples"
